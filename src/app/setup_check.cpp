#include "app/setup_check.h"

#include <string>

#include "app/assembler_command.h"

namespace quennet::brackwin {

void WarnAboutSetup(Platform& platform, DebugOutput& output) {
  std::string folder;
  const EnvironmentLookup lookup =
      platform.GetEnvironment("KICKASS_PATH", &folder);
  if (lookup == EnvironmentLookup::kOutsideCodePage) {
    // cmd.exe hands the value on in full, but java reads its arguments in
    // the ANSI code page and gets '?' for these characters.
    output.Warning(
        "warning: KICKASS_PATH holds characters outside code page %u, which "
        "java cannot read: put KickAss.jar in a folder whose name the code "
        "page holds\n",
        platform.GetAnsiCodePage());
  } else if (lookup == EnvironmentLookup::kUnset || folder.empty()) {
    output.Warning(
        "warning: KICKASS_PATH is not set: set it to the folder that holds "
        "KickAss.jar\n");
  } else if (!platform.FileExists(folder + kAssemblerArchive)) {
    if (folder.find('"') != std::string::npos) {
      // A common mistake on Windows (setx KICKASS_PATH "\"C:\...\""): the
      // quotes end up in the value and split the archive's path at java.
      output.Warning(
          "warning: KICKASS_PATH holds a double quote (%s): set it to the "
          "folder without quotes\n",
          folder.c_str());
    } else if (platform.FileExists(folder)) {
      output.Warning(
          "warning: KICKASS_PATH names a file (%s): set it to the folder "
          "that holds KickAss.jar\n",
          folder.c_str());
    } else {
      output.Warning(
          "warning: KickAss.jar is not in KICKASS_PATH (%s): set it to the "
          "folder that holds KickAss.jar\n",
          folder.c_str());
    }
  }
  std::string java;
  if (!platform.FindProgram("java", &java)) {
    output.Warning(
        "warning: java is not on the PATH: install Java, or add the folder "
        "of its java program to the PATH\n");
  }
}

}  // namespace quennet::brackwin
