#include "app/application.h"
#include "emulator/binary_monitor.h"
#include "emulator/emulator_window.h"
#include "paths/path_parts.h"

namespace quennet::brackwin {
namespace {

// Where -e looked, for the user who finds a second emulator opened.
constexpr char kNoRunningVice[] =
    "no running VICE found (monitor at 127.0.0.1:6502, C64 window)";

// What the other exit statuses of xdg-open mean.
const char* DescribeOpenerStatus(int status) {
  switch (status) {
    case -1:
      return "ended by a signal";
    case 1:
      return "bad arguments";
    case 2:
      return "file not found";
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
  const char* program = paths.program.c_str();
  // Every route hands on a file by name; one that is not there would reach
  // the emulator as an error, or nowhere, while we reported success.
  if (!platform_.FileExists(paths.program)) {
    output.Error("program not found: %s\n", program);
    return false;
  }
  // A source that names its own output leaves the .prg of an earlier build
  // here, which would run as if it were this one.
  if (!WrittenByThisBuild(paths.program)) {
    output.Error(
        "%s was not written by this build (does the source write another "
        "file?)\n",
        program);
    return false;
  }

  bool no_vice_found = false;
  // The emulator runs in a folder of its own, so it is given the full path;
  // where there is none, only the shell can open the file.
  std::string absolute;
  if (use_running_emulator &&
      platform_.GetAbsolutePath(paths.program, &absolute)) {
    switch (AutostartThroughMonitor(platform_, absolute)) {
      case MonitorHandOff::kAutostarted:
        output.Message("%s: autostarted in VICE through its monitor\n",
                       program);
        BringEmulatorForward();
        return true;
      case MonitorHandOff::kUnconfirmed:
        // VICE may still carry it out: another route would deliver it twice.
        output.Warning(
            "warning: VICE's monitor took %s but did not confirm it within "
            "%g s\n",
            program, kMonitorBudgetMs / 1000.0);
        BringEmulatorForward();
        return true;
      case MonitorHandOff::kNotAC64:
        output.Warning(
            "warning: the VICE on 127.0.0.1:6502 is not a C64 (x64sc or "
            "x64); it was left alone\n");
        break;
      case MonitorHandOff::kNotDelivered:
        break;
    }
    WindowReport report;
    if (!HandToEmulatorWindow(platform_, &absolute, &report)) {
      // What the shell would start needs the same display.
      output.Error("%s did not answer within %g s; nothing was handed on\n",
                   platform_.DescribeDesktop().c_str(),
                   kWindowRouteDeadlineMs / 1000.0);
      return false;
    }
    const char* title = report.title.c_str();
    switch (report.outcome) {
      case WindowOutcome::kDelivered:
        output.Message("%s: dropped onto the VICE window \"%s\"\n", program,
                       title);
        return true;
      // Nothing was delivered, so the shell cannot deliver it twice.
      case WindowOutcome::kUnanswered:
        output.Warning(
            "warning: the VICE window did not answer the drop within 2 s\n");
        break;
      case WindowOutcome::kRefused:
        output.Warning("warning: the VICE window \"%s\" refused the drop\n",
                       title);
        break;
      case WindowOutcome::kNotSent:
        output.Warning(
            "warning: the drop onto the VICE window \"%s\" could not be "
            "sent\n",
            title);
        break;
      case WindowOutcome::kNoWindow:
      case WindowOutcome::kRaised:
        no_vice_found = true;
        break;
    }
  }
  return OpenThroughShell(paths, no_vice_found);
}

void Application::BringEmulatorForward() {
  WindowReport report;
  if (!HandToEmulatorWindow(platform_, nullptr, &report)) {
    output.Warning(
        "warning: %s did not answer within %g s; VICE was not brought to the "
        "front\n",
        platform_.DescribeDesktop().c_str(), kWindowRouteDeadlineMs / 1000.0);
  }
}

bool Application::OpenThroughShell(const LaunchPaths& paths,
                                   bool no_vice_found) {
  const OpenResult result =
      platform_.OpenWithShell(paths.program, paths.working_directory);
  const char* program = paths.program.c_str();
  if (result.status == OpenStatus::kOpened) {
    if (no_vice_found) {
      output.Message("%s: %s; opened with %s\n", program, kNoRunningVice,
                     result.opener);
    } else {
      output.Message("%s: opened with %s\n", program, result.opener);
    }
    return true;
  }
  if (no_vice_found) output.Error("%s\n", kNoRunningVice);
  switch (result.status) {
    case OpenStatus::kOpened:
      break;
    case OpenStatus::kNoAssociation:
      output.Error(
          "no application is associated with .prg files: open one with "
          "\"Open with\", choose x64sc and \"Always\" (see the README)\n");
      break;
    case OpenStatus::kNoApplication:
      output.Error(
          "no application is associated with .prg files "
          "(application/x-c64-program): %s found none for %s; install the "
          "association (see the README)\n",
          result.opener, program);
      break;
    case OpenStatus::kNoDesktopSession:
      output.Error(
          "%s could not open %s: DISPLAY and WAYLAND_DISPLAY are unset, and "
          "without a desktop session it asks no association\n",
          result.opener, program);
      break;
    case OpenStatus::kApplicationFailed:
      output.Error(
          "the application associated with .prg files failed to start for "
          "%s (%s status %d): is DISPLAY set and reachable?\n",
          program, result.opener, result.code);
      break;
    case OpenStatus::kApplicationMissing:
      output.Error(
          "the application associated with .prg files was not found: fix "
          "the association (see the README)\n");
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
