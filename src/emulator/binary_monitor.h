#ifndef BRACKWIN_EMULATOR_BINARY_MONITOR_H_
#define BRACKWIN_EMULATOR_BINARY_MONITOR_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "emulator/hand_off.h"
#include "emulator/quick_program.h"
#include "emulator/vice_symbols.h"
#include "platform/sockets.h"
#include "shared/deadline.h"

namespace quennet::brackwin {

// VICE's binary monitor (VICE 3.5 and later, switched on with
// -binarymonitor): a TCP service on 127.0.0.1:6502 by default that takes framed
// requests and answers with framed responses, mixed with events of its own.
// A request stops the emulation until the monitor is left again, which an
// autostart does, or closing the connection.

/// Where the monitor listens: a loopback address and a port.
struct MonitorAddress {
  std::uint32_t host = 0x7F000001;  // 127.0.0.1, in host byte order.
  int port = 6502;
  std::string text = "127.0.0.1:6502";  // For messages.
};

/// Reads an address in VICE's forms, "ip4://127.0.0.1:6510" or
/// "127.0.0.1:6510" ("localhost" is 127.0.0.1). Only loopback addresses
/// (127.0.0.0/8) are taken: the program's path is sent to, and opened by,
/// whatever listens there. False for anything else (ip6:// too: VICE cannot
/// bind it to a fixed port).
bool ParseMonitorAddress(const std::string& value, MonitorAddress* address);

/// The ids of this tool's requests, by which their answers are known: the
/// autostart, the question of which machine VICE is, and the checkpoints.
inline constexpr std::uint32_t kAutostartRequestId = 0x6272776e;
inline constexpr std::uint32_t kMachineCheckRequestId = 0x6272776d;
inline constexpr std::uint32_t kCheckpointsRequestId = 0x62727763;
inline constexpr std::uint32_t kQuickStartRequestId = 0x62727773;

inline constexpr unsigned char kAutostartCommand = 0xdd;
inline constexpr unsigned char kResourceGetCommand = 0x51;
inline constexpr unsigned char kResumedEvent = 0x63;
inline constexpr unsigned char kExitCommand = 0xaa;
inline constexpr unsigned char kCheckpointInfo = 0x11;
inline constexpr unsigned char kCheckpointSetCommand = 0x12;
inline constexpr unsigned char kCheckpointDeleteCommand = 0x13;
inline constexpr unsigned char kCheckpointListCommand = 0x14;
inline constexpr unsigned char kConditionSetCommand = 0x22;
/// A checkpoint's operation bits: load 1, store 2, exec 4.
inline constexpr unsigned char kExecOperation = 4;
/// Autostart carries the name's length in one byte.
inline constexpr std::size_t kMaxMonitorFileName = 255;

/// Builds an autostart request for `file` (run it, image index 0):
///   0x02, API version 1, body length (u32 LE), `request_id` (u32 LE), 0xdd,
///   then the body: run flag 1, index 0 (u16 LE), name length (u8), the
///   name without a NUL.
/// Returns false, building nothing, when `file` is empty or longer than
/// kMaxMonitorFileName bytes.
bool BuildAutostartRequest(const std::string& file, std::uint32_t request_id,
                           std::vector<unsigned char>* request);

/// Builds a resource-get request (0x51) for the resource `name` (1 to 255
/// bytes): the header as above, then the name's length (u8) and the name.
std::vector<unsigned char> BuildResourceGetRequest(const std::string& name,
                                                   std::uint32_t request_id);

/// Builds a request of `command` with `body`: the header as above, then the
/// body.
std::vector<unsigned char> BuildRequest(unsigned char command,
                                        std::uint32_t request_id,
                                        const std::vector<unsigned char>& body);

/// Builds a checkpoint-set request (0x12) for an exec breakpoint at
/// `address`: start and end `address` (u16 LE), stop when hit 1, enabled 1,
/// operation exec (4), temporary 0.
std::vector<unsigned char> BuildBreakpointRequest(std::uint16_t address,
                                                  std::uint32_t request_id);

/// Builds a condition-set request (0x22): the checkpoint's number (u32 LE),
/// the condition's length (u8) and the condition. False, building nothing,
/// for an empty condition or one over 255 bytes.
bool BuildConditionRequest(std::uint32_t checkpoint,
                           const std::string& condition,
                           std::uint32_t request_id,
                           std::vector<unsigned char>* request);

/// One response or event:
///   0x02, API version, body length (u32 LE), type, error code,
///   request id (u32 LE), body.
struct MonitorResponse {
  unsigned char type = 0;
  unsigned char error = 0;
  std::uint32_t request_id = 0;
  std::vector<unsigned char> body;
};

enum class ParseStatus { kIncomplete, kComplete, kMalformed };

/// Parses the response at the front of `bytes`. kComplete fills `response`
/// and sets `consumed` to its length in bytes; kIncomplete wants more bytes;
/// kMalformed means the stream is not the monitor's (no STX, an API version
/// other than 1 or 2, or an absurd body length).
ParseStatus ParseMonitorResponse(const std::vector<unsigned char>& bytes,
                                 MonitorResponse* response,
                                 std::size_t* consumed);

/// One connection to the monitor: requests and their answers, with the
/// events in between, all before one deadline.
class MonitorConnection {
 public:
  enum class Answer { kAnswered, kNotSent, kNoAnswer, kClosed, kMalformed };

  /// Talks through `sockets` until `deadline`.
  MonitorConnection(Sockets& sockets, const Deadline& deadline);
  /// Ends the connection the way VICE expects (Finish), if it is open.
  ~MonitorConnection();
  MonitorConnection(const MonitorConnection&) = delete;
  MonitorConnection& operator=(const MonitorConnection&) = delete;

  /// Connects to `address`; false when nothing accepts in time.
  bool Open(const MonitorAddress& address);

  /// Sends `request` and reads until the answer that carries `request_id`,
  /// passing over events and other answers. With `last`, half-closes the
  /// connection right after the request, so that VICE ends it at its first
  /// look after the request: for the request that lets the program run.
  Answer Ask(const std::vector<unsigned char>& request,
             std::uint32_t request_id, MonitorResponse* answer,
             bool last = false);

  /// Sends `request` and collects the answers that carry `request_id`, up to
  /// and with the one of type `last` (or one with an error).
  Answer AskAll(const std::vector<unsigned char>& request,
                std::uint32_t request_id, unsigned char last,
                std::vector<MonitorResponse>* answers);

  /// Reads until the event `type`.
  Answer AwaitEvent(unsigned char type);

  /// After kMalformed: whether what answered is VICE's text monitor (its
  /// prompt, read on until the deadline where it came in part). If so,
  /// leaves it with "x": the bytes it read stopped VICE.
  bool LeaveIfTextMonitor();

  /// Half-closes the connection and waits, until the deadline, for VICE to
  /// close it. When the peer simply goes away, VICE's monitor wakes up to
  /// read, sends its events into the closed connection and logs an error
  /// for each. Ending the connection also lets a VICE that was left in its
  /// monitor run on.
  void Finish();

 private:
  template <typename Wanted>
  Answer Await(Wanted wanted, MonitorResponse* response);

  Sockets& sockets_;
  const Deadline deadline_;
  SocketHandle socket_ = kNoSocket;
  std::vector<unsigned char> received_;
};

/// What a monitor at an address is, for `--check`.
struct MonitorState {
  bool listening = false;        // Something accepted the connection.
  ListenerOwner owner;           // Whose it is; another user's is not asked.
  bool not_the_monitor = false;  // It answered in frames of another kind,
  bool text_monitor = false;     // as VICE's text monitor, say.
  bool answered = false;         // It answered as VICE's monitor.
  bool c64 = false;              // And emulates a C64.
};

/// Looks at the monitor at `address`, within the smaller of kMonitorCapMs
/// and the time left before `deadline`: asks what machine it emulates, then
/// leaves its monitor (exit, 0xaa), so that the emulation runs on. Asks
/// nothing of another user's listener.
MonitorState CheckMonitor(Sockets& sockets, const MonitorAddress& address,
                          const Deadline& deadline);

/// Asks the VICE behind the binary monitor at `address`, whose listener is
/// `owner` (Sockets::FindListener), to autostart
/// `absolute_path`, within the smaller of kMonitorCapMs and the time left
/// before `deadline`. With `breakpoints` (a debug run), first replaces
/// VICE's exec checkpoints by them: each exec checkpoint is deleted, load
/// and store watchpoints stay, and one is set for each breakpoint, with its
/// condition; the result counts them in `breakpoints`, and the lines of the
/// conditions VICE refused in `refused_conditions`.
/// A listener of another user is not connected to at all. Before the
/// autostart it makes sure that the VICE emulates a C64 (x64 or x64sc):
/// only they have the resource "C64_256Kbase". After VICE's answer it waits
/// for the event that says the emulation runs again.
/// Returns Route::kMonitor with `pid` the listener's process where known:
/// delivered; unconfirmed once the autostart was written whole and no
/// answer could be read; refused for another user, a path too long for the
/// request, another machine, an error answer, a monitor that does not answer
/// (or completes no connection while the system lists it) or a stream that
/// is not the monitor's; absent when nothing listens.
/// With `quick` (-q), the program is put into the running machine without
/// a reset instead (PrepareQuickStart, its wait first in a debug run), and
/// leaving the monitor starts it: `monitor.started_at` says where. Where
/// VICE refuses a step of that, `monitor.not_quick` says which, and the
/// autostart follows.
HandOff AutostartThroughMonitor(Sockets& sockets, const MonitorAddress& address,
                                const ListenerOwner& owner,
                                const std::string& absolute_path,
                                const Deadline& deadline,
                                const std::vector<Breakpoint>* breakpoints,
                                const QuickProgram* quick = nullptr);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_EMULATOR_BINARY_MONITOR_H_
