#include "emulator/text_monitor.h"

#include <cctype>

namespace quennet::brackwin {
namespace {

constexpr char kPrompt[] = "(C:$xxxx) ";  // x: a hex digit.
constexpr std::size_t kPromptSize = sizeof(kPrompt) - 1;
constexpr int kConnectTimeoutMs = 40;  // As for the binary monitor.

std::vector<unsigned char> Bytes(const std::string& text) {
  return std::vector<unsigned char>(text.begin(), text.end());
}

// Sends "x", half-closes, and collects what VICE says until it closes.
std::vector<unsigned char> Leave(Sockets& sockets, SocketHandle socket,
                                 const std::string& before,
                                 const Deadline& deadline) {
  std::vector<unsigned char> output;
  if (!sockets.Send(socket, Bytes(before + "x\n"),
                    deadline.MillisecondsLeft())) {
    return output;
  }
  sockets.ShutdownSending(socket);
  unsigned char chunk[4096];
  int left, count;
  while ((left = deadline.MillisecondsLeft()) > 0 &&
         (count = sockets.Receive(socket, chunk, sizeof(chunk), left)) > 0) {
    output.insert(output.end(), chunk, chunk + count);
  }
  return output;
}

}  // namespace

MonitorAddress DefaultTextMonitor() {
  MonitorAddress address;
  address.port = 6510;
  address.text = "127.0.0.1:6510";
  return address;
}

Prompt ReadPrompt(const std::vector<unsigned char>& bytes) {
  for (std::size_t i = 0; i < kPromptSize; ++i) {
    if (i == bytes.size()) return Prompt::kPart;
    const bool fits =
        i >= 4 && i < 8 ? std::isxdigit(bytes[i]) != 0 : bytes[i] == kPrompt[i];
    if (!fits) return Prompt::kNot;
  }
  return Prompt::kWhole;
}

void LeaveTextMonitor(Sockets& sockets, SocketHandle socket,
                      const Deadline& deadline) {
  Leave(sockets, socket, "", deadline);
  sockets.CloseSocket(socket);
}

TextMonitorState FindTextMonitor(Sockets& sockets,
                                 const MonitorAddress& address,
                                 const Deadline& deadline) {
  if (sockets.FindListener(address.host, address.port).other_user) {
    return TextMonitorState::kOtherUser;
  }
  const SocketHandle socket = sockets.ConnectLoopback(
      address.host, address.port, deadline.MillisecondsLeft(kConnectTimeoutMs));
  if (socket == kNoSocket) return TextMonitorState::kAbsent;
  // Ended as VICE expects: a half-close, which it reads, then its close.
  sockets.ShutdownSending(socket);
  unsigned char chunk[256];
  int left;
  while ((left = deadline.MillisecondsLeft()) > 0 &&
         sockets.Receive(socket, chunk, sizeof(chunk), left) > 0) {
  }
  sockets.CloseSocket(socket);
  return TextMonitorState::kListening;
}

LabelsResult LoadLabels(Sockets& sockets, const MonitorAddress& address,
                        long vice_pid, const std::vector<std::string>& labels,
                        const Deadline& deadline) {
  const ListenerOwner owner = sockets.FindListener(address.host, address.port);
  if (owner.other_user) return LabelsResult::kOtherUser;
  if (vice_pid != 0 && owner.pid != 0 && owner.pid != vice_pid) {
    return LabelsResult::kOtherVice;
  }
  const Deadline capped = deadline.Capped(kMonitorCapMs);
  const SocketHandle socket = sockets.ConnectLoopback(
      address.host, address.port, capped.MillisecondsLeft(kConnectTimeoutMs));
  if (socket == kNoSocket) return LabelsResult::kNoMonitor;
  // "cl" clears every label; each "al" line adds one. All in one write:
  // VICE reads its sockets once a frame.
  std::string commands = "cl\n";
  for (const std::string& label : labels) commands += label + "\n";
  const std::vector<unsigned char> output =
      Leave(sockets, socket, commands, capped);
  sockets.CloseSocket(socket);
  return ReadPrompt(output) == Prompt::kWhole ? LabelsResult::kLoaded
                                              : LabelsResult::kNoAnswer;
}

}  // namespace quennet::brackwin
