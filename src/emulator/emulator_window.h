#ifndef BRACKWIN_EMULATOR_EMULATOR_WINDOW_H_
#define BRACKWIN_EMULATOR_EMULATOR_WINDOW_H_

#include "platform/platform.h"

namespace quennet::brackwin {

/// The text that an emulator window's title contains, matched exactly.
inline constexpr char kEmulatorTitle[] = "VICE: C64 emulator";

/// The state of one window search: the platform to ask and the window found.
struct EmulatorWindowSearch {
  Platform* platform;
  WindowHandle found = kNoWindow;
};

/// The window-enumeration callback; `context` is an EmulatorWindowSearch.
/// Skips windows that are disabled or have no title. Stores the first window
/// whose title contains kEmulatorTitle (case-sensitive) in `found` and stops;
/// otherwise goes on.
bool FindEmulatorWindowProc(WindowHandle window, void* context);

/// The first enabled emulator window in the platform's order, or kNoWindow.
WindowHandle FindEmulatorWindow(Platform& platform);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_EMULATOR_EMULATOR_WINDOW_H_
