#ifndef BRACKWIN_EMULATOR_BINARY_MONITOR_H_
#define BRACKWIN_EMULATOR_BINARY_MONITOR_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace quennet::brackwin {

// VICE's binary monitor (VICE 3.5 and later, switched on with
// -binarymonitor): a TCP service on 127.0.0.1:6502 that takes framed
// requests and answers with framed responses, mixed with events of its own.
// A request stops the emulation until the monitor is left again, which an
// autostart does, or closing the connection.

inline constexpr int kMonitorPort = 6502;
inline constexpr unsigned char kAutostartCommand = 0xdd;
inline constexpr unsigned char kResourceGetCommand = 0x51;
inline constexpr unsigned char kResumedEvent = 0x63;
/// Autostart carries the name's length in one byte.
inline constexpr std::size_t kMaxMonitorFileName = 255;
/// The whole exchange with the monitor is bounded by this, in milliseconds.
inline constexpr int kMonitorBudgetMs = 1000;

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

/// How a hand-off through the monitor went.
enum class MonitorHandOff {
  /// VICE answered the autostart with error 0.
  kAutostarted,
  /// The whole autostart request was sent, but VICE did not answer it
  /// within the bound, or closed the connection first. VICE has the
  /// request and may still carry it out, so no other route may deliver the
  /// program again.
  kUnconfirmed,
  /// A VICE answered that emulates no C64 (x128, say); it was sent nothing
  /// and left running.
  kNotAC64,
  /// Nothing took the program: no monitor accepted the connection, the name
  /// does not fit the request, a request could not be sent whole, the
  /// machine check got no answer in time, the stream is not the monitor's,
  /// or the autostart was answered with an error.
  kNotDelivered,
};

/// Asks the VICE behind the binary monitor to autostart `absolute_path`.
/// First it makes sure that the VICE emulates a C64 (x64 or x64sc): only
/// they have the resource "C64_256Kbase". After VICE's answer it waits for
/// the event that says the emulation runs again, then half-closes the
/// connection and waits for VICE to close it, as VICE logs an error for
/// every event it cannot send. The whole attempt takes at most
/// kMonitorBudgetMs; a refused connection costs no more than a short
/// connect wait.
MonitorHandOff AutostartThroughMonitor(Platform& platform,
                                       const std::string& absolute_path);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_EMULATOR_BINARY_MONITOR_H_
