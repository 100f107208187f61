#ifndef BRACKWIN_SHARED_WINDOW_ROUTE_H_
#define BRACKWIN_SHARED_WINDOW_ROUTE_H_

#include <string>

#include "shared/deadline.h"
#include "shared/hand_off_types.h"

namespace quennet::brackwin {

/// Whether a window of this title is VICE's C64 window.
using TitlePredicate = bool (*)(const std::string& title);

/// What a look for a window came to: found (with its title), not found,
/// no display to look on, or failed (the display did not answer, or the
/// search broke).
struct FoundWindow {
  enum Result { kFound, kNotFound, kNoDisplay, kFailed } result = kNotFound;
  std::string title;
  long pid = 0;  // Its process, where known.
  /// Where found: why it would take no drop now (disabled, no drops, not
  /// responding); Reason::kNone when it would.
  Reason reason = Reason::kNone;
};

/// The route into a running VICE through its window: find it among the
/// desktop's top-level windows, topmost first, and drop the program onto
/// it. The build picks the implementation: Win32, X11, or one that finds no
/// window. Nothing here waits past the deadline it is given, whatever the
/// windows or the display do.
class WindowRoute {
 public:
  virtual ~WindowRoute() = default;

  /// Drops `absolute_program` onto the topmost enabled window whose title
  /// `is_vice` accepts, and brings that window to the front when it took
  /// the drop. Returns Route::kWindow with the outcome: delivered,
  /// unconfirmed (sent whole, never confirmed), refused (with the reason
  /// and the window's title), absent (no such window) or failed (the
  /// desktop did not answer, or the search broke).
  virtual HandOff Drop(const std::string& absolute_program,
                       const Deadline& deadline, TitlePredicate is_vice) = 0;

  /// Brings to the front the window of VICE's process `pid` (with 0, the
  /// topmost VICE window) whose title `is_vice` accepts: raised, no such
  /// window, or failed as above.
  virtual Raising Raise(long pid, const Deadline& deadline,
                        TitlePredicate is_vice) = 0;

  /// Looks for a window of process `pid` (with 0, any process) whose title
  /// `matches` (VICE's monitor window, say).
  virtual FoundWindow Find(long pid, const Deadline& deadline,
                           TitlePredicate matches) = 0;

  /// The desktop in messages: "the X display :0", "the desktop".
  virtual std::string Describe() = 0;
};

/// The window route of this build.
WindowRoute& GetWindowRoute();

}  // namespace quennet::brackwin

#endif  // BRACKWIN_SHARED_WINDOW_ROUTE_H_
