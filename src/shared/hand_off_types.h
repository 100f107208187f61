#ifndef BRACKWIN_SHARED_HAND_OFF_TYPES_H_
#define BRACKWIN_SHARED_HAND_OFF_TYPES_H_

#include <string>
#include <vector>

namespace quennet::brackwin {

// The time bounds of -e, stated once; the messages quote them.
/// The whole hand-off into a running VICE, from the first step of -e.
inline constexpr int kHandOffDeadlineMs = 3000;
/// The exchange with VICE's monitor, from connecting to its confirmation.
inline constexpr int kMonitorCapMs = 1000;
/// A drop, from the first message to the window to its answer.
inline constexpr int kDropCapMs = 2000;
/// Bringing VICE to the front.
inline constexpr int kRaiseCapMs = 500;
/// How long a Windows window may take to show that it is not hung.
inline constexpr int kResponsiveCapMs = 500;
/// A look-up of the .prg association outside the hand-off (--check, the
/// cause of a failure): xdg-mime, which a display that does not answer
/// holds up.
inline constexpr int kLookupCapMs = 5000;

/// The routes of -r, in the order they are tried.
enum class Route { kMonitor, kWindow, kShell };

/// What a route did with the program.
enum class Outcome {
  kDelivered,    // VICE took it and said so.
  kUnconfirmed,  // Sent whole; no confirmation came. It may have arrived.
  kRefused,      // Not taken, for `reason`: another route may try.
  kAbsent,       // No VICE on this route.
  kFailed,       // The route broke (`reason`): nothing else is tried.
};

/// How bringing VICE's window to the front went: a step after a route.
enum class Raising {
  kNotTried,
  kRaised,
  kNoWindow,  // Its process has no VICE window on this display.
  kFailed,    // The display did not answer, or the search broke.
};

/// Why a route refused, failed or stayed unconfirmed.
enum class Reason {
  kNone,
  // The monitor.
  kNotAC64,           // Answered as another machine (x128, say).
  kErrorAnswer,       // Answered the autostart with error `code`.
  kPathTooLong,       // The path does not fit the request (`code` bytes).
  kOtherUser,         // Its listener belongs to another user (uid `code`).
  kNoAnswer,          // Accepted, then silent before the autostart.
  kNotTheMonitor,     // Answered in frames that are not the monitor's.
  kTextMonitor,       // Answered as VICE's text monitor.
  kNotSent,           // A request could not be written whole.
  kClosed,            // Closed after the autostart was written whole.
  kUnreadableAnswer,  // Answered the autostart in a malformed frame.
  // The window.
  kDropUnanswered,    // No answer to the drop (XDND: no XdndStatus).
  kDropRefused,       // The window said it takes no such drop.
  kDropDeclined,      // The window finished the drop as not performed.
  kDataNotAsked,      // The drop was sent, the file never asked for.
  kNotResponding,     // The window's thread is hung.
  kDisabled,          // The only VICE windows are disabled (a dialog).
  kTakesNoDrops,      // The window does not take dropped files.
  kElevated,          // VICE runs with higher rights and drops are blocked.
  kOutsideCodePage,   // The absolute path has no ANSI form (code page `code`).
  kNoFolder,          // The current folder cannot be read.
  kDisplaySilent,     // The display did not answer in time.
  kDisplayLost,       // The connection to the display broke.
  kCrashed,           // The window search died of signal `code`.
  kStoppedInMonitor,  // VICE is stopped in its own monitor window.
  kNoDisplay,         // Absent: there was no display to search.
};

/// One route's result: the one value every route returns.
struct HandOff {
  Route route = Route::kShell;
  Outcome outcome = Outcome::kAbsent;
  Reason reason = Reason::kNone;
  /// The VICE that was found: its window's title, where there is one.
  std::string title;
  /// Its process id; 0 when not known.
  long pid = 0;
  /// A number that goes with `reason` (see there).
  long code = 0;
  /// What only the monitor route tells.
  struct MonitorDetails {
    /// How bringing the VICE that took the program to the front went.
    Raising raised = Raising::kNotTried;
    /// For a debug run: how many breakpoints were set (-1: none asked
    /// for), and the symbol-file lines of the conditions VICE refused.
    int breakpoints = -1;
    std::vector<int> refused_conditions;
    /// Put in without a reset (-q): the address it started at; -1 when it
    /// was autostarted.
    long started_at = -1;
    /// Why a program asked to go in without a reset was autostarted.
    std::string not_quick;
    /// How many labels VICE's text monitor took (-1: none sent).
    int labels = -1;
  } monitor;
};

}  // namespace quennet::brackwin

#endif  // BRACKWIN_SHARED_HAND_OFF_TYPES_H_
