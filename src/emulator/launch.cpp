#include "app/application.h"
#include "emulator/binary_monitor.h"
#include "emulator/emulator_window.h"
#include "paths/path_parts.h"

namespace quennet::brackwin {
namespace {

// What the exit statuses of xdg-open mean, for the user who must act on them.
const char* DescribeOpenerStatus(int status) {
  switch (status) {
    case -1:
      return "ended by a signal";
    case 1:
      return "bad arguments";
    case 2:
      return "file not found";
    case 3:
      return "a tool it needs is missing";
    case 4:
      return "the action failed; is an application associated with .prg "
             "files?";
    default:
      return "failed";
  }
}

}  // namespace

bool Application::Launch(const std::string& source, bool use_running_emulator) {
  LaunchPaths paths;
  if (!DeriveLaunchPaths(source, platform_.GetLeadBytes(), &paths)) {
    output.Error("path too long: %s\n", source.c_str());
    return false;
  }
  // Every route hands on a file by name; one that is not there would reach
  // the emulator as an error, or nowhere, while we reported success.
  if (!platform_.FileExists(paths.program)) {
    output.Error("program not found: %s\n", paths.program.c_str());
    return false;
  }

  // The emulator runs in a folder of its own, so it is given the full path;
  // where there is none, only the shell can open the file.
  std::string absolute;
  if (use_running_emulator &&
      platform_.GetAbsolutePath(paths.program, &absolute)) {
    switch (AutostartThroughMonitor(platform_, absolute)) {
      case MonitorHandOff::kAutostarted:
        return true;
      case MonitorHandOff::kUnconfirmed:
        // VICE may still carry it out: another route would deliver it twice.
        output.Warning(
            "warning: VICE's monitor took %s but did not confirm it within "
            "1 s\n",
            paths.program.c_str());
        return true;
      case MonitorHandOff::kNotAC64:
      case MonitorHandOff::kNotDelivered:
        break;
    }
    WindowReport report;
    if (!DropOnEmulatorWindow(platform_, absolute, &report)) {
      // What the shell would start needs the same display.
      output.Error("%s did not answer within 2.5 s; nothing was handed on\n",
                   platform_.DescribeDesktop().c_str());
      return false;
    }
    // A window that ignores the drop has still been served; only a drop that
    // could not be sent at all falls back to the shell.
    if (report.outcome != WindowOutcome::kNoWindow &&
        report.outcome != WindowOutcome::kNotSent) {
      return true;
    }
  }

  const OpenResult result =
      platform_.OpenWithShell(paths.program, paths.working_directory);
  const char* program = paths.program.c_str();
  switch (result.status) {
    case OpenStatus::kOpened:
      return true;
    case OpenStatus::kNoAssociation:
      output.Error(
          "no application is associated with .prg files: open one with "
          "\"Open with\", choose x64sc and \"Always\" (see the README)\n");
      break;
    case OpenStatus::kFileNotFound:
      output.Error("cannot open %s: file not found\n", program);
      break;
    case OpenStatus::kAccessDenied:
      output.Error("cannot open %s: access denied\n", program);
      break;
    case OpenStatus::kOpenerMissing:
      output.Error("cannot start %s to open %s (Debian: install xdg-utils)\n",
                   result.opener, program);
      break;
    case OpenStatus::kOpenerFailed:
      output.Error("%s could not open %s: status %d, %s\n", result.opener,
                   program, result.code, DescribeOpenerStatus(result.code));
      break;
    case OpenStatus::kPathTooLong:
      output.Error(
          "cannot open %s: the path is too long for the shell (at most 259 "
          "characters)\n",
          program);
      break;
    case OpenStatus::kOtherError:
      output.Error("cannot open %s: error %d\n", program, result.code);
      break;
  }
  return false;
}

}  // namespace quennet::brackwin
