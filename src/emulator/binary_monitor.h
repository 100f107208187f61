#ifndef BRACKWIN_EMULATOR_BINARY_MONITOR_H_
#define BRACKWIN_EMULATOR_BINARY_MONITOR_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "emulator/deadline.h"
#include "emulator/hand_off.h"
#include "platform/sockets.h"

namespace quennet::brackwin {

// VICE's binary monitor (VICE 3.5 and later, switched on with
// -binarymonitor): a TCP service on 127.0.0.1:6502 by default that takes framed
// requests and answers with framed responses, mixed with events of its own.
// A request stops the emulation until the monitor is left again, which an
// autostart does, or closing the connection.

inline constexpr int kMonitorPort = 6502;
/// Where -e looks for the monitor, in messages.
inline constexpr char kMonitorAddress[] = "127.0.0.1:6502";
inline constexpr unsigned char kAutostartCommand = 0xdd;
inline constexpr unsigned char kResourceGetCommand = 0x51;
inline constexpr unsigned char kResumedEvent = 0x63;
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

  /// Connects to 127.0.0.1:`port`; false when nothing accepts in time.
  bool Open(int port);

  /// Sends `request` and reads until the answer that carries `request_id`,
  /// passing over events and other answers.
  Answer Ask(const std::vector<unsigned char>& request,
             std::uint32_t request_id, MonitorResponse* answer);

  /// Reads until the event `type`.
  Answer AwaitEvent(unsigned char type);

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

/// Asks the VICE behind the binary monitor to autostart `absolute_path`,
/// within the smaller of kMonitorCapMs and the time left before `deadline`.
/// A listener of another user is not connected to at all. Before the
/// autostart it makes sure that the VICE emulates a C64 (x64 or x64sc):
/// only they have the resource "C64_256Kbase". After VICE's answer it waits
/// for the event that says the emulation runs again.
/// Returns Route::kMonitor with `pid` the listener's process where known:
/// delivered; unconfirmed once the autostart was written whole and no
/// answer could be read; refused for another user, a path too long for the
/// request, another machine, an error answer, a monitor that does not answer
/// or a stream that is not the monitor's; absent when nothing listens.
HandOff AutostartThroughMonitor(Sockets& sockets,
                                const std::string& absolute_path,
                                const Deadline& deadline);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_EMULATOR_BINARY_MONITOR_H_
