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

inline constexpr int kMonitorPort = 6502;
inline constexpr unsigned char kAutostartCommand = 0xdd;
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

/// Asks the VICE behind the binary monitor to autostart `absolute_path`,
/// reading past events until the answer to the request arrives. Returns true
/// when VICE answered with error 0; false when nothing accepted the
/// connection, the name does not fit the request, no answer came in time,
/// the connection closed, the stream is not the monitor's, or the answer
/// carries an error code. The whole attempt takes at most about a second; a
/// refused connection costs no more than the short connect wait.
bool AutostartThroughMonitor(Platform& platform,
                             const std::string& absolute_path);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_EMULATOR_BINARY_MONITOR_H_
