#include "emulator/binary_monitor.h"

#include <cstdlib>

#include "emulator/quick_load.h"
#include "emulator/text_monitor.h"

namespace quennet::brackwin {
namespace {

constexpr unsigned char kStx = 0x02;
constexpr unsigned char kApiVersion = 1;  // VICE 3.5 takes only 1; later ones
                                          // take 1 or 2 and answer with 2.
constexpr std::size_t kResponseHeaderSize = 12;
// No answer of the monitor comes near this; a larger length means the peer
// is not VICE, and it must not make us allocate whatever it says.
constexpr std::uint32_t kMaxBodyLength = 1 << 20;
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

bool ParseMonitorAddress(const std::string& value, MonitorAddress* address) {
  std::string rest = value;
  if (rest.compare(0, 6, "ip4://") == 0) rest.erase(0, 6);
  const std::size_t colon = rest.rfind(':');
  if (colon == std::string::npos) return false;
  std::string host = rest.substr(0, colon);
  const std::string port = rest.substr(colon + 1);
  if (port.empty() || port.size() > 5 ||
      port.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  const long port_number = std::strtol(port.c_str(), nullptr, 10);
  if (port_number < 1 || port_number > 65535) return false;
  if (host == "localhost") host = "127.0.0.1";
  // Four decimal parts, each 0 to 255, the first 127.
  std::uint32_t bits = 0;
  int parts = 0;
  std::size_t at = 0;
  for (;;) {
    const std::size_t end = host.find('.', at);
    const std::string part = host.substr(at, end - at);
    if (part.empty() || part.size() > 3 ||
        part.find_first_not_of("0123456789") != std::string::npos) {
      return false;
    }
    const long number = std::strtol(part.c_str(), nullptr, 10);
    if (number > 255 || ++parts > 4) return false;
    bits = bits << 8 | static_cast<std::uint32_t>(number);
    if (end == std::string::npos) break;
    at = end + 1;
  }
  if (parts != 4 || bits >> 24 != 127) return false;
  address->host = bits;
  address->port = static_cast<int>(port_number);
  address->text = host + ":" + std::to_string(port_number);
  return true;
}

std::vector<unsigned char> BuildRequest(
    unsigned char command, std::uint32_t request_id,
    const std::vector<unsigned char>& body) {
  std::vector<unsigned char> request =
      RequestHeader(command, request_id, body.size());
  request.insert(request.end(), body.begin(), body.end());
  return request;
}

std::vector<unsigned char> BuildBreakpointRequest(std::uint16_t address,
                                                  std::uint32_t request_id) {
  std::vector<unsigned char> body;
  PutLittleEndian(&body, address, 2);  // Start,
  PutLittleEndian(&body, address, 2);  // end.
  body.push_back(1);                   // Stop when hit.
  body.push_back(1);                   // Enabled.
  body.push_back(kExecOperation);
  body.push_back(0);  // Not temporary.
  return BuildRequest(kCheckpointSetCommand, request_id, body);
}

bool BuildConditionRequest(std::uint32_t checkpoint,
                           const std::string& condition,
                           std::uint32_t request_id,
                           std::vector<unsigned char>* request) {
  if (condition.empty() || condition.size() > 255) return false;
  std::vector<unsigned char> body;
  PutLittleEndian(&body, checkpoint, 4);
  body.push_back(static_cast<unsigned char>(condition.size()));
  body.insert(body.end(), condition.begin(), condition.end());
  *request = BuildRequest(kConditionSetCommand, request_id, body);
  return true;
}

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

bool MonitorConnection::Open(const MonitorAddress& address) {
  socket_ =
      sockets_.ConnectLoopback(address.host, address.port,
                               deadline_.MillisecondsLeft(kConnectTimeoutMs));
  return socket_ != kNoSocket;
}

MonitorConnection::Answer MonitorConnection::AskAll(
    const std::vector<unsigned char>& request, std::uint32_t request_id,
    unsigned char last, std::vector<MonitorResponse>* answers) {
  if (!sockets_.Send(socket_, request, deadline_.MillisecondsLeft())) {
    return Answer::kNotSent;
  }
  for (;;) {
    MonitorResponse answer;
    const Answer status = Await(
        [request_id](const MonitorResponse& response) {
          return response.request_id == request_id;
        },
        &answer);
    if (status != Answer::kAnswered) return status;
    answers->push_back(answer);
    if (answer.type == last || answer.error != 0) return status;
  }
}

MonitorConnection::Answer MonitorConnection::Ask(
    const std::vector<unsigned char>& request, std::uint32_t request_id,
    MonitorResponse* answer, bool last) {
  if (!sockets_.Send(socket_, request, deadline_.MillisecondsLeft())) {
    return Answer::kNotSent;
  }
  if (last) sockets_.ShutdownSending(socket_);
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

bool MonitorConnection::LeaveIfTextMonitor() {
  unsigned char chunk[64];
  int left, count;
  while (ReadPrompt(received_) == Prompt::kPart &&
         (left = deadline_.MillisecondsLeft()) > 0 &&
         (count = sockets_.Receive(socket_, chunk, sizeof(chunk), left)) > 0) {
    received_.insert(received_.end(), chunk, chunk + count);
  }
  if (ReadPrompt(received_) != Prompt::kWhole) return false;
  sockets_.Send(socket_, {'x', '\n'}, deadline_.MillisecondsLeft());
  return true;
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

// Replaces VICE's breakpoints (its exec checkpoints) with `breakpoints`.
// Returns kAnswered when it could talk it through, counting what was set
// in `result`.
MonitorConnection::Answer ReplaceBreakpoints(
    MonitorConnection& monitor, const std::vector<Breakpoint>& breakpoints,
    HandOff* result) {
  using Answer = MonitorConnection::Answer;
  std::vector<MonitorResponse> listed;
  Answer status = monitor.AskAll(
      BuildRequest(kCheckpointListCommand, kCheckpointsRequestId, {}),
      kCheckpointsRequestId, kCheckpointListCommand, &listed);
  if (status != Answer::kAnswered) return status;
  MonitorResponse answer;
  for (const MonitorResponse& info : listed) {
    // number (u32), hit (u8), start, end (u16), stop, enabled, operation.
    if (info.type != kCheckpointInfo || info.body.size() < 12 ||
        (info.body[11] & kExecOperation) == 0) {
      continue;
    }
    const std::vector<unsigned char> number(info.body.begin(),
                                            info.body.begin() + 4);
    status = monitor.Ask(
        BuildRequest(kCheckpointDeleteCommand, kCheckpointsRequestId, number),
        kCheckpointsRequestId, &answer);
    if (status != Answer::kAnswered) return status;
  }
  result->monitor.breakpoints = 0;
  for (const Breakpoint& breakpoint : breakpoints) {
    status = monitor.Ask(
        BuildBreakpointRequest(breakpoint.address, kCheckpointsRequestId),
        kCheckpointsRequestId, &answer);
    if (status != Answer::kAnswered) return status;
    if (answer.error != 0 || answer.body.size() < 4) continue;
    ++result->monitor.breakpoints;
    std::vector<unsigned char> condition;
    if (!BuildConditionRequest(GetLittleEndian32(answer.body.data()),
                               breakpoint.condition, kCheckpointsRequestId,
                               &condition)) {
      continue;
    }
    status = monitor.Ask(condition, kCheckpointsRequestId, &answer);
    if (status != Answer::kAnswered) return status;
    if (answer.error != 0) {
      result->monitor.refused_conditions.push_back(breakpoint.line);
    }
  }
  return Answer::kAnswered;
}

// The exchange on an open connection: what the VICE is, the program put in
// without a reset where `quick` asks for it, the breakpoints of a debug run,
// then the autostart, or leaving the monitor, which starts the program put
// in.
void HandOffThrough(MonitorConnection& monitor,
                    const std::vector<unsigned char>& autostart,
                    const QuickProgram* quick,
                    const std::vector<Breakpoint>* breakpoints,
                    HandOff* result) {
  using Answer = MonitorConnection::Answer;
  const auto settle = [result](Outcome outcome, Reason reason) {
    result->outcome = outcome;
    result->reason = reason;
  };
  // Before the autostart nothing was handed on: any trouble is a refusal.
  const auto refuse = [&settle, &monitor](Answer status) {
    switch (status) {
      case Answer::kAnswered:
        return false;
      case Answer::kNotSent:
        settle(Outcome::kRefused, Reason::kNotSent);
        break;
      case Answer::kNoAnswer:
      case Answer::kClosed:
        // A VICE stopped in its own monitor window, or a hung one, accepts
        // and answers nothing.
        settle(Outcome::kRefused, Reason::kNoAnswer);
        break;
      case Answer::kMalformed:
        settle(Outcome::kRefused, monitor.LeaveIfTextMonitor()
                                      ? Reason::kTextMonitor
                                      : Reason::kNotTheMonitor);
        break;
    }
    return true;
  };
  MonitorResponse answer;
  if (refuse(monitor.Ask(
          BuildResourceGetRequest(kC64OnlyResource, kMachineCheckRequestId),
          kMachineCheckRequestId, &answer))) {
    return;
  }
  if (answer.error != 0) return settle(Outcome::kRefused, Reason::kNotAC64);
  if (quick != nullptr &&
      refuse(PrepareQuickStart(monitor, *quick, breakpoints != nullptr,
                               &result->monitor.not_quick))) {
    return;
  }
  const bool quick_start =
      quick != nullptr && result->monitor.not_quick.empty();
  if (breakpoints != nullptr &&
      refuse(ReplaceBreakpoints(monitor, *breakpoints, result))) {
    return;
  }

  // Leaving the monitor starts a program put in; otherwise the autostart.
  const std::uint32_t last_id =
      quick_start ? kQuickStartRequestId : kAutostartRequestId;
  const unsigned char last_type =
      quick_start ? kExitCommand : kAutostartCommand;
  // The program put in starts as the connection ends: a breakpoint hit
  // while it is still open stops VICE for this client, whose closing then
  // resumes VICE past the breakpoint.
  switch (monitor.Ask(
      quick_start ? BuildRequest(kExitCommand, last_id, {}) : autostart,
      last_id, &answer, quick_start)) {
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
  if (answer.type != last_type) {
    return settle(Outcome::kUnconfirmed, Reason::kUnreadableAnswer);
  }
  if (quick_start) result->monitor.started_at = quick->entry;
  // The monitor is left: from now on, the emulation runs.
  monitor.AwaitEvent(kResumedEvent);
  settle(Outcome::kDelivered, Reason::kNone);
}

}  // namespace

MonitorState CheckMonitor(Sockets& sockets, const MonitorAddress& address,
                          const Deadline& deadline) {
  MonitorState state;
  state.owner = sockets.FindListener(address.host, address.port);
  if (state.owner.other_user) {
    state.listening = true;
    return state;
  }
  MonitorConnection monitor(sockets, deadline.Capped(kMonitorCapMs));
  state.listening = monitor.Open(address) || state.owner.seen;
  if (!state.listening) return state;
  MonitorResponse answer;
  const MonitorConnection::Answer asked = monitor.Ask(
      BuildResourceGetRequest(kC64OnlyResource, kMachineCheckRequestId),
      kMachineCheckRequestId, &answer);
  state.not_the_monitor = asked == MonitorConnection::Answer::kMalformed;
  state.text_monitor = state.not_the_monitor && monitor.LeaveIfTextMonitor();
  if (asked != MonitorConnection::Answer::kAnswered) return state;
  state.answered = true;
  state.c64 = answer.error == 0;
  monitor.Ask(BuildRequest(kExitCommand, kMachineCheckRequestId, {}),
              kMachineCheckRequestId, &answer);
  return state;
}

HandOff AutostartThroughMonitor(Sockets& sockets, const MonitorAddress& address,
                                const ListenerOwner& owner,
                                const std::string& absolute_path,
                                const Deadline& deadline,
                                const std::vector<Breakpoint>* breakpoints,
                                const QuickProgram* quick) {
  HandOff result;
  result.route = Route::kMonitor;
  // Nothing is sent to a process of another user, who could run anything
  // it is sent on a shared machine.
  if (owner.other_user) {
    result.outcome = Outcome::kRefused;
    result.reason = Reason::kOtherUser;
    result.code = owner.uid;
    return result;
  }
  result.pid = owner.pid;
  MonitorConnection monitor(sockets, deadline.Capped(kMonitorCapMs));
  if (!monitor.Open(address)) {
    // A listener that the system lists but that completes no connection
    // is silent, not absent: a VICE stopped in its monitor accepts none,
    // and once its queue is full the connection is not even made.
    if (owner.seen) {
      result.outcome = Outcome::kRefused;
      result.reason = Reason::kNoAnswer;
    }
    return result;
  }
  std::vector<unsigned char> autostart;
  if (!BuildAutostartRequest(absolute_path, kAutostartRequestId, &autostart)) {
    result.outcome = Outcome::kRefused;
    result.reason = Reason::kPathTooLong;
    result.code = static_cast<long>(absolute_path.size());
    return result;
  }
  HandOffThrough(monitor, autostart, quick, breakpoints, &result);
  return result;
}

}  // namespace quennet::brackwin
