#include "emulator/binary_monitor.h"

#include <chrono>

namespace quennet::brackwin {
namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned char kStx = 0x02;
constexpr unsigned char kApiVersion = 1;  // VICE 3.5 takes only 1; later ones
                                          // take 1 or 2 and answer with 2.
constexpr std::size_t kResponseHeaderSize = 12;
// No answer of the monitor comes near this; a larger length means the peer
// is not VICE, and it must not make us allocate whatever it says.
constexpr std::uint32_t kMaxBodyLength = 1 << 20;
constexpr std::uint32_t kRequestId = 0x6272776e;

// A listening VICE accepts within a few milliseconds. The wait is short
// because on Windows a refused loopback connection is only reported after
// the stack's retries, about a second later.
constexpr int kConnectTimeoutMs = 40;
constexpr std::chrono::milliseconds kBudget(1000);

void PutLittleEndian(std::vector<unsigned char>* out, std::uint32_t value,
                     int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out->push_back(static_cast<unsigned char>(value >> (8 * i)));
  }
}

std::uint32_t GetLittleEndian32(const unsigned char* in) {
  return static_cast<std::uint32_t>(in[0]) |
         static_cast<std::uint32_t>(in[1]) << 8 |
         static_cast<std::uint32_t>(in[2]) << 16 |
         static_cast<std::uint32_t>(in[3]) << 24;
}

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Sends the request and reads until the answer to it; the caller closes.
bool Exchange(Platform& platform, SocketHandle socket,
              const std::vector<unsigned char>& request,
              Clock::time_point deadline) {
  if (!platform.Send(socket, request, MillisecondsLeft(deadline))) {
    return false;
  }
  std::vector<unsigned char> received;
  unsigned char chunk[4096];
  for (;;) {
    MonitorResponse response;
    std::size_t consumed = 0;
    switch (ParseMonitorResponse(received, &response, &consumed)) {
      case ParseStatus::kMalformed:
        return false;
      case ParseStatus::kComplete:
        received.erase(received.begin(), received.begin() + consumed);
        // Events (stopped, resumed, registers) answer no request.
        if (response.request_id != kRequestId) continue;
        // An error reply carries its own type; only the error code counts.
        return response.error == 0 && response.type == kAutostartCommand;
      case ParseStatus::kIncomplete:
        break;
    }
    const int left = MillisecondsLeft(deadline);
    if (left == 0) return false;
    const int count = platform.Receive(socket, chunk, sizeof(chunk), left);
    if (count <= 0) return false;
    received.insert(received.end(), chunk, chunk + count);
  }
}

}  // namespace

bool BuildAutostartRequest(const std::string& file, std::uint32_t request_id,
                           std::vector<unsigned char>* request) {
  if (file.empty() || file.size() > kMaxMonitorFileName) return false;
  const auto body_length = static_cast<std::uint32_t>(4 + file.size());
  request->clear();
  request->push_back(kStx);
  request->push_back(kApiVersion);
  PutLittleEndian(request, body_length, 4);
  PutLittleEndian(request, request_id, 4);
  request->push_back(kAutostartCommand);
  request->push_back(1);           // Run it once loaded.
  PutLittleEndian(request, 0, 2);  // The first file of an image.
  request->push_back(static_cast<unsigned char>(file.size()));
  request->insert(request->end(), file.begin(), file.end());
  return true;
}

ParseStatus ParseMonitorResponse(const std::vector<unsigned char>& bytes,
                                 MonitorResponse* response,
                                 std::size_t* consumed) {
  if (!bytes.empty() && bytes[0] != kStx) return ParseStatus::kMalformed;
  if (bytes.size() >= 2 && bytes[1] != 1 && bytes[1] != 2) {
    return ParseStatus::kMalformed;
  }
  if (bytes.size() < kResponseHeaderSize) return ParseStatus::kIncomplete;
  const std::uint32_t body_length = GetLittleEndian32(&bytes[2]);
  if (body_length > kMaxBodyLength) return ParseStatus::kMalformed;
  if (bytes.size() - kResponseHeaderSize < body_length) {
    return ParseStatus::kIncomplete;
  }
  response->type = bytes[6];
  response->error = bytes[7];
  response->request_id = GetLittleEndian32(&bytes[8]);
  const auto body = bytes.begin() + kResponseHeaderSize;
  response->body.assign(body, body + body_length);
  *consumed = kResponseHeaderSize + body_length;
  return ParseStatus::kComplete;
}

bool AutostartThroughMonitor(Platform& platform,
                             const std::string& absolute_path) {
  std::vector<unsigned char> request;
  if (!BuildAutostartRequest(absolute_path, kRequestId, &request)) {
    return false;
  }
  const auto deadline = Clock::now() + kBudget;
  const SocketHandle socket =
      platform.ConnectLoopback(kMonitorPort, kConnectTimeoutMs);
  if (socket == kNoSocket) return false;
  const bool delivered = Exchange(platform, socket, request, deadline);
  platform.CloseSocket(socket);
  return delivered;
}

}  // namespace quennet::brackwin
