#ifndef BRACKWIN_EMULATOR_EMULATOR_WINDOW_H_
#define BRACKWIN_EMULATOR_EMULATOR_WINDOW_H_

#include <string>

#include "platform/platform.h"

namespace quennet::brackwin {

/// Whether `title` is the title of a C64 emulator window of VICE, of any
/// version and user interface from 2.x to 3.10 (exact bytes,
/// case-sensitive). The titles of VICE's other machines (C64DTV, C128,
/// SCPU64, VSID) and of its other windows (monitor, settings) never are.
bool IsEmulatorTitle(const std::string& title);

/// The state of one window search: the platform to ask and the window found.
struct EmulatorWindowSearch {
  Platform* platform;
  WindowHandle found = kNoWindow;
};

/// The window-enumeration callback; `context` is an EmulatorWindowSearch.
/// Skips windows that are disabled or have no title. Stores the first window
/// with an emulator title (IsEmulatorTitle) in `found` and stops; otherwise
/// goes on.
bool FindEmulatorWindowProc(WindowHandle window, void* context);

/// The first enabled emulator window in the platform's order, or kNoWindow.
WindowHandle FindEmulatorWindow(Platform& platform);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_EMULATOR_EMULATOR_WINDOW_H_
