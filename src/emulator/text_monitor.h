#ifndef BRACKWIN_EMULATOR_TEXT_MONITOR_H_
#define BRACKWIN_EMULATOR_TEXT_MONITOR_H_

#include <string>
#include <vector>

#include "emulator/binary_monitor.h"
#include "platform/sockets.h"
#include "shared/deadline.h"

namespace quennet::brackwin {

// VICE's text monitor (switched on with -remotemonitor, on 127.0.0.1:6510 by
// default): the monitor's command lines over TCP. It says nothing when a
// connection is made; any byte it reads stops the emulation, and it answers
// with its prompt, "(C:$e5cf) ". It is the only way to give VICE labels.

/// Where VICE's text monitor listens unless it is told otherwise.
MonitorAddress DefaultTextMonitor();

/// How `bytes` begin against the text monitor's prompt, "(C:$xxxx) ": with
/// all of it, with a part of it so far, or otherwise.
enum class Prompt { kNot, kPart, kWhole };
Prompt ReadPrompt(const std::vector<unsigned char>& bytes);

/// Leaves the text monitor on `socket` so that VICE runs on, and closes
/// the socket: "x", a half-close, then its output read to the end before
/// the deadline. VICE 3.7.1, closed on with output unread, loops on send
/// errors and stops answering both monitors.
void LeaveTextMonitor(Sockets& sockets, SocketHandle socket,
                      const Deadline& deadline);

/// Whether a text monitor listens at `address` (for --check): connects,
/// sends nothing, which leaves VICE running, and closes. Another user's
/// listener is not connected to.
/// kSameAddress: not looked for, as the binary monitor's address is the
/// same (the caller's check).
enum class TextMonitorState { kAbsent, kOtherUser, kListening, kSameAddress };
TextMonitorState FindTextMonitor(Sockets& sockets,
                                 const MonitorAddress& address,
                                 const Deadline& deadline);

/// How giving VICE the labels went.
enum class LabelsResult {
  kNoMonitor,  // Nothing listens there: nothing was sent.
  kOtherUser,  // Its listener is another user's: nothing was sent.
  kOtherVice,  // It is another process's than the one at the binary monitor.
  kNoAnswer,   // Sent, and no prompt came back in time.
  kLoaded,
};

/// Replaces VICE's labels, those set by hand too, by `labels` (the symbol
/// file's "al ..." lines) through the text monitor at `address`, within the
/// smaller of kMonitorCapMs and the time left before `deadline`, and leaves
/// it (LeaveTextMonitor). `vice_pid` is the process at the binary monitor
/// (0 when not known): a text monitor of another process is not used.
LabelsResult LoadLabels(Sockets& sockets, const MonitorAddress& address,
                        long vice_pid, const std::vector<std::string>& labels,
                        const Deadline& deadline);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_EMULATOR_TEXT_MONITOR_H_
