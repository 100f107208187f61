#include "app/application.h"
#include "emulator/drop_files.h"
#include "emulator/emulator_window.h"
#include "paths/path_parts.h"

namespace quennet::brackwin {

bool Application::Launch(const std::string& source, bool use_running_emulator) {
  LaunchPaths paths;
  if (!DeriveLaunchPaths(source, platform_.GetLeadBytes(), &paths)) {
    output.Error("path too long: %s\n", source.c_str());
    return false;
  }

  if (use_running_emulator) {
    const WindowHandle window = FindEmulatorWindow(platform_);
    // A window that ignores the drop has still been served; only a drop that
    // could not be sent at all falls back to the shell.
    if (window != kNoWindow &&
        platform_.DropFile(window, paths.program,
                           BuildDropFilesBlock(paths.program))) {
      return true;
    }
  }
  platform_.OpenWithShell(paths.program, paths.working_directory);
  return true;
}

}  // namespace quennet::brackwin
