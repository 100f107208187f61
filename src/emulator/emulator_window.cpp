#include "emulator/emulator_window.h"

#include <string>

namespace quennet::brackwin {

bool FindEmulatorWindowProc(WindowHandle window, void* context) {
  auto* search = static_cast<EmulatorWindowSearch*>(context);
  const std::string title = search->platform->GetWindowTitle(window);
  if (!search->platform->IsWindowEnabled(window) || title.empty()) return true;
  if (title.find(kEmulatorTitle) == std::string::npos) return true;
  search->found = window;
  return false;
}

WindowHandle FindEmulatorWindow(Platform& platform) {
  EmulatorWindowSearch search{&platform};
  platform.EnumerateWindows(FindEmulatorWindowProc, &search);
  return search.found;
}

}  // namespace quennet::brackwin
