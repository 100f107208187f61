#ifndef BRACKWIN_PLATFORM_XLIB_CONNECTION_H_
#define BRACKWIN_PLATFORM_XLIB_CONNECTION_H_

#include <chrono>
#include <string>

#include "shared/window_route.h"

namespace quennet::brackwin {

// The work of the window route's forked child, which speaks Xlib: find
// VICE's window (EWMH), drop a file onto it (XDND) and raise it, reporting
// each step to the parent over a pipe, one line a step. The parent, which
// never speaks Xlib, gives the child its deadline (window_route_x11.cpp).

/// The child's exit status when the connection to the display broke.
inline constexpr int kLostConnectionStatus = 3;

// The child's reports: the first byte of each line.
// The child's reports, one line each.
inline constexpr char kNoWindow = 'A';     // No VICE window.
inline constexpr char kNoDisplay = 'N';    // No display to connect to.
inline constexpr char kFoundWindow = 'W';  // "W<pid> <title>"
inline constexpr char kDropSent = 'D';     // XdndDrop sent.
inline constexpr char kDataGiven = 'Q';    // The file was asked for and given.
inline constexpr char kFinished = 'F';     // XdndFinished: performed.
inline constexpr char kDeclined = 'X';     // XdndFinished: not performed.
inline constexpr char kUnanswered = 'U';   // No XdndStatus came.
inline constexpr char kRefused = 'R';      // Not XDND-aware, or rejected.
inline constexpr char kNotSent = 'S';      // Nothing could be sent.
inline constexpr char kRaised = 'K';       // Brought to the front.

/// Writes the child's reports to the parent, on the descriptor `fd`; ends
/// the child when the parent is gone.
class Reporter {
 public:
  explicit Reporter(int fd) : fd_(fd) {}
  void Say(char step, const std::string& text = "");

 private:
  const int fd_;
};

/// Finds the window of VICE's process `pid` (0: any) whose title `is_vice`
/// accepts, topmost first; drops `program` onto it unless null; raises it
/// when `raise` and the drop (if any) was finished; all before `deadline`,
/// reporting each step to `reporter`. Runs in the forked child only: Xlib
/// may block past any deadline.
void RunInChild(const std::string* program, long pid, TitlePredicate is_vice,
                bool raise, std::chrono::steady_clock::time_point deadline,
                Reporter& reporter);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_PLATFORM_XLIB_CONNECTION_H_
