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
constexpr std::uint32_t kMachineCheckId = 0x6272776d;
// A resource that only VICE's C64 emulators, x64 and x64sc, have (the base
// address of the C64 256K expansion): x128, x64dtv, xscpu64, VSID and the
// other machines answer a request for it with an error.
constexpr char kC64OnlyResource[] = "C64_256Kbase";

// A listening VICE accepts within a few milliseconds. The wait is short
// because on Windows a refused loopback connection is only reported after
// the stack's retries, about a second later.
constexpr int kConnectTimeoutMs = 40;

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

// A request's header before its body.
std::vector<unsigned char> RequestHeader(unsigned char command,
                                         std::uint32_t request_id,
                                         std::size_t body_length) {
  std::vector<unsigned char> request = {kStx, kApiVersion};
  PutLittleEndian(&request, static_cast<std::uint32_t>(body_length), 4);
  PutLittleEndian(&request, request_id, 4);
  request.push_back(command);
  return request;
}

// One connection to the monitor: requests and their answers, with the
// events in between, all before one deadline.
class Session {
 public:
  enum class Outcome { kAnswered, kNotSent, kNoAnswer, kClosed, kMalformed };

  Session(Platform& platform, SocketHandle socket, Clock::time_point deadline)
      : platform_(platform), socket_(socket), deadline_(deadline) {}

  // Sends `request` and reads until the answer that carries `request_id`.
  Outcome Ask(const std::vector<unsigned char>& request,
              std::uint32_t request_id, MonitorResponse* answer) {
    if (!platform_.Send(socket_, request, MillisecondsLeft())) {
      return Outcome::kNotSent;
    }
    return Await(
        [request_id](const MonitorResponse& response) {
          return response.request_id == request_id;
        },
        answer);
  }

  // Ends the connection the way VICE expects. When the peer simply goes
  // away, VICE's monitor wakes up to read, sends its events into the closed
  // connection and logs an error for each. Half-closed instead, it reads
  // the end, closes itself, and we see that.
  void Finish() {
    platform_.ShutdownSending(socket_);
    unsigned char chunk[4096];
    int left;
    while ((left = MillisecondsLeft()) > 0 &&
           platform_.Receive(socket_, chunk, sizeof(chunk), left) > 0) {
    }
  }

  // Reads until the event `type`.
  Outcome AwaitEvent(unsigned char type) {
    MonitorResponse event;
    return Await(
        [type](const MonitorResponse& response) {
          return response.type == type && response.request_id == 0xffffffff;
        },
        &event);
  }

 private:
  template <typename Wanted>
  Outcome Await(Wanted wanted, MonitorResponse* response) {
    unsigned char chunk[4096];
    for (;;) {
      std::size_t consumed = 0;
      switch (ParseMonitorResponse(received_, response, &consumed)) {
        case ParseStatus::kMalformed:
          return Outcome::kMalformed;
        case ParseStatus::kComplete:
          received_.erase(received_.begin(), received_.begin() + consumed);
          if (wanted(*response)) return Outcome::kAnswered;
          continue;  // Events and other answers are passed over.
        case ParseStatus::kIncomplete:
          break;
      }
      const int left = MillisecondsLeft();
      if (left == 0) return Outcome::kNoAnswer;
      const int count = platform_.Receive(socket_, chunk, sizeof(chunk), left);
      if (count == 0) return Outcome::kClosed;
      if (count < 0) return Outcome::kNoAnswer;
      received_.insert(received_.end(), chunk, chunk + count);
    }
  }

  int MillisecondsLeft() const {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline_ - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
  }

  Platform& platform_;
  const SocketHandle socket_;
  const Clock::time_point deadline_;
  std::vector<unsigned char> received_;
};

MonitorHandOff HandOff(Session& session,
                       const std::vector<unsigned char>& autostart) {
  MonitorResponse answer;
  if (session.Ask(BuildResourceGetRequest(kC64OnlyResource, kMachineCheckId),
                  kMachineCheckId, &answer) != Session::Outcome::kAnswered) {
    return MonitorHandOff::kNotDelivered;
  }
  if (answer.error != 0) return MonitorHandOff::kNotAC64;

  switch (session.Ask(autostart, kRequestId, &answer)) {
    case Session::Outcome::kAnswered:
      break;
    case Session::Outcome::kNoAnswer:
    case Session::Outcome::kClosed:
      // Sent whole: from here on, VICE has the program.
      return MonitorHandOff::kUnconfirmed;
    case Session::Outcome::kNotSent:
    case Session::Outcome::kMalformed:
      return MonitorHandOff::kNotDelivered;
  }
  // An error reply carries its own type; only the error code counts.
  if (answer.error != 0 || answer.type != kAutostartCommand) {
    return MonitorHandOff::kNotDelivered;
  }
  // The monitor is left: from now on, the emulation runs.
  session.AwaitEvent(kResumedEvent);
  return MonitorHandOff::kAutostarted;
}

}  // namespace

bool BuildAutostartRequest(const std::string& file, std::uint32_t request_id,
                           std::vector<unsigned char>* request) {
  if (file.empty() || file.size() > kMaxMonitorFileName) return false;
  *request = RequestHeader(kAutostartCommand, request_id, 4 + file.size());
  request->push_back(1);           // Run it once loaded.
  PutLittleEndian(request, 0, 2);  // The first file of an image.
  request->push_back(static_cast<unsigned char>(file.size()));
  request->insert(request->end(), file.begin(), file.end());
  return true;
}

std::vector<unsigned char> BuildResourceGetRequest(const std::string& name,
                                                   std::uint32_t request_id) {
  std::vector<unsigned char> request =
      RequestHeader(kResourceGetCommand, request_id, 1 + name.size());
  request.push_back(static_cast<unsigned char>(name.size()));
  request.insert(request.end(), name.begin(), name.end());
  return request;
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

MonitorHandOff AutostartThroughMonitor(Platform& platform,
                                       const std::string& absolute_path) {
  std::vector<unsigned char> autostart;
  if (!BuildAutostartRequest(absolute_path, kRequestId, &autostart)) {
    return MonitorHandOff::kNotDelivered;
  }
  const auto deadline =
      Clock::now() + std::chrono::milliseconds(kMonitorBudgetMs);
  const SocketHandle socket =
      platform.ConnectLoopback(kMonitorPort, kConnectTimeoutMs);
  if (socket == kNoSocket) return MonitorHandOff::kNotDelivered;
  Session session(platform, socket, deadline);
  const MonitorHandOff result = HandOff(session, autostart);
  // Ending the connection also lets a VICE that is left in its monitor (not
  // a C64, or a request cut short) run on.
  session.Finish();
  platform.CloseSocket(socket);
  return result;
}

}  // namespace quennet::brackwin
