#ifndef BRACKWIN_EMULATOR_EMULATOR_WINDOW_H_
#define BRACKWIN_EMULATOR_EMULATOR_WINDOW_H_

#include <string>
#include <vector>

#include "platform/platform.h"

namespace quennet::brackwin {

/// Whether `title` is the title of a C64 emulator window of VICE, of any
/// version and user interface from 2.x to 3.10 (exact bytes,
/// case-sensitive). The titles of VICE's other machines (C64DTV, C128,
/// SCPU64, VSID), of its other windows (monitor, settings), and of other
/// programs' windows that merely mention a title of 3.2 or later never are.
bool IsEmulatorTitle(const std::string& title);

/// The state of one window search: the platform to ask and the window found.
struct EmulatorWindowSearch {
  Platform* platform;
  WindowHandle found = kNoWindow;
  std::string title;  // The found window's.
};

/// The window-enumeration callback; `context` is an EmulatorWindowSearch.
/// Skips windows that are disabled or have no title. Stores the first window
/// with an emulator title (IsEmulatorTitle) in `found`, and its title, and
/// stops; otherwise goes on.
bool FindEmulatorWindowProc(WindowHandle window, void* context);

/// The first enabled emulator window in the platform's order, or kNoWindow;
/// its title in `title`.
WindowHandle FindEmulatorWindow(Platform& platform, std::string* title);

/// How long the window route may take in all, in milliseconds: the 2-second
/// drop, the search before it and the raise after it.
inline constexpr int kWindowRouteDeadlineMs = 2500;

/// What the window route did.
enum class WindowOutcome : char {
  kNoWindow = 'n',    // No enabled emulator window (or no desktop).
  kDelivered = 'd',   // The program was dropped onto the window.
  kNotSent = 's',     // The drop could not be sent.
  kUnanswered = 'u',  // The window never answered the drop.
  kRefused = 'r',     // The window refused the drop.
  kRaised = 'f',      // No drop asked for: the window was brought forward.
};

/// The window route's report: the outcome and the window's title.
struct WindowReport {
  WindowOutcome outcome = WindowOutcome::kNoWindow;
  std::string title;
};

/// Finds the first enabled emulator window and drops `absolute_program`
/// onto it; when the window took it, brings the window to the front, as a
/// newly started emulator would come. With `absolute_program` null, only
/// brings the window to the front (after the monitor took the program). All
/// of it is one desktop task (Platform::RunDesktopTask) bounded by
/// kWindowRouteDeadlineMs. Returns false when the desktop did not answer in
/// time; `report` then says nothing.
bool HandToEmulatorWindow(Platform& platform,
                          const std::string* absolute_program,
                          WindowReport* report);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_EMULATOR_EMULATOR_WINDOW_H_
