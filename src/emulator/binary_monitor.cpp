#include "emulator/binary_monitor.h"

namespace quennet::brackwin {
namespace {

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

MonitorConnection::MonitorConnection(Sockets& sockets, const Deadline& deadline)
    : sockets_(sockets), deadline_(deadline) {}

MonitorConnection::~MonitorConnection() {
  if (socket_ == kNoSocket) return;
  Finish();
  sockets_.CloseSocket(socket_);
}

bool MonitorConnection::Open(int port) {
  socket_ = sockets_.ConnectLoopback(
      port, deadline_.MillisecondsLeft(kConnectTimeoutMs));
  return socket_ != kNoSocket;
}

MonitorConnection::Answer MonitorConnection::Ask(
    const std::vector<unsigned char>& request, std::uint32_t request_id,
    MonitorResponse* answer) {
  if (!sockets_.Send(socket_, request, deadline_.MillisecondsLeft())) {
    return Answer::kNotSent;
  }
  return Await(
      [request_id](const MonitorResponse& response) {
        return response.request_id == request_id;
      },
      answer);
}

MonitorConnection::Answer MonitorConnection::AwaitEvent(unsigned char type) {
  MonitorResponse event;
  return Await(
      [type](const MonitorResponse& response) {
        return response.type == type && response.request_id == 0xffffffff;
      },
      &event);
}

void MonitorConnection::Finish() {
  sockets_.ShutdownSending(socket_);
  unsigned char chunk[4096];
  int left;
  while ((left = deadline_.MillisecondsLeft()) > 0 &&
         sockets_.Receive(socket_, chunk, sizeof(chunk), left) > 0) {
  }
}

template <typename Wanted>
MonitorConnection::Answer MonitorConnection::Await(Wanted wanted,
                                                   MonitorResponse* response) {
  unsigned char chunk[4096];
  for (;;) {
    std::size_t consumed = 0;
    switch (ParseMonitorResponse(received_, response, &consumed)) {
      case ParseStatus::kMalformed:
        return Answer::kMalformed;
      case ParseStatus::kComplete:
        received_.erase(received_.begin(), received_.begin() + consumed);
        if (wanted(*response)) return Answer::kAnswered;
        continue;  // Events and other answers are passed over.
      case ParseStatus::kIncomplete:
        break;
    }
    const int left = deadline_.MillisecondsLeft();
    if (left == 0) return Answer::kNoAnswer;
    const int count = sockets_.Receive(socket_, chunk, sizeof(chunk), left);
    if (count == 0) return Answer::kClosed;
    if (count < 0) return Answer::kNoAnswer;
    received_.insert(received_.end(), chunk, chunk + count);
  }
}

namespace {

// The exchange on an open connection: what the VICE is, then the autostart.
void HandOffThrough(MonitorConnection& monitor,
                    const std::vector<unsigned char>& autostart,
                    HandOff* result) {
  using Answer = MonitorConnection::Answer;
  const auto settle = [result](Outcome outcome, Reason reason) {
    result->outcome = outcome;
    result->reason = reason;
  };
  MonitorResponse answer;
  switch (
      monitor.Ask(BuildResourceGetRequest(kC64OnlyResource, kMachineCheckId),
                  kMachineCheckId, &answer)) {
    case Answer::kAnswered:
      break;
    case Answer::kNotSent:
      return settle(Outcome::kRefused, Reason::kNotSent);
    case Answer::kNoAnswer:
    case Answer::kClosed:
      // A VICE stopped in its own monitor window, or a hung one, accepts
      // and answers nothing.
      return settle(Outcome::kRefused, Reason::kNoAnswer);
    case Answer::kMalformed:
      return settle(Outcome::kRefused, Reason::kNotTheMonitor);
  }
  if (answer.error != 0) return settle(Outcome::kRefused, Reason::kNotAC64);

  switch (monitor.Ask(autostart, kRequestId, &answer)) {
    case Answer::kAnswered:
      break;
    case Answer::kNotSent:
      return settle(Outcome::kRefused, Reason::kNotSent);
    // Sent whole: from here on, VICE has the program, whatever it answers.
    case Answer::kNoAnswer:
      return settle(Outcome::kUnconfirmed, Reason::kNone);
    case Answer::kClosed:
      return settle(Outcome::kUnconfirmed, Reason::kClosed);
    case Answer::kMalformed:
      return settle(Outcome::kUnconfirmed, Reason::kUnreadableAnswer);
  }
  // An error reply carries its own type; the error code says it all.
  if (answer.error != 0) {
    result->code = answer.error;
    return settle(Outcome::kRefused, Reason::kErrorAnswer);
  }
  if (answer.type != kAutostartCommand) {
    return settle(Outcome::kUnconfirmed, Reason::kUnreadableAnswer);
  }
  // The monitor is left: from now on, the emulation runs.
  monitor.AwaitEvent(kResumedEvent);
  settle(Outcome::kDelivered, Reason::kNone);
}

}  // namespace

HandOff AutostartThroughMonitor(Sockets& sockets,
                                const std::string& absolute_path,
                                const Deadline& deadline) {
  HandOff result;
  result.route = Route::kMonitor;
  // Nothing is sent to a process of another user, who could run anything
  // it is sent on a shared machine.
  const ListenerOwner owner = sockets.FindListener(kMonitorPort);
  if (owner.other_user) {
    result.outcome = Outcome::kRefused;
    result.reason = Reason::kOtherUser;
    result.code = owner.uid;
    return result;
  }
  result.pid = owner.pid;
  MonitorConnection monitor(sockets, deadline.Capped(kMonitorCapMs));
  if (!monitor.Open(kMonitorPort)) return result;  // Absent.
  std::vector<unsigned char> autostart;
  if (!BuildAutostartRequest(absolute_path, kRequestId, &autostart)) {
    result.outcome = Outcome::kRefused;
    result.reason = Reason::kPathTooLong;
    result.code = static_cast<long>(absolute_path.size());
    return result;
  }
  HandOffThrough(monitor, autostart, &result);
  return result;
}

}  // namespace quennet::brackwin
