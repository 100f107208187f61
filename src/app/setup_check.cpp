#include "app/setup_check.h"

#include <string>

#include "app/assembler_command.h"
#include "emulator/emulator_window.h"
#include "emulator/hand_off_chain.h"
#include "emulator/text_monitor.h"

namespace quennet::brackwin {
namespace {

// What is wrong with KICKASS_PATH, as a sentence that says what to set; ""
// when it names a folder that holds KickAss.jar.
std::string KickAssProblem(Platform& platform, std::string* folder) {
  const EnvironmentLookup lookup =
      platform.GetEnvironment("KICKASS_PATH", folder);
  if (lookup == EnvironmentLookup::kOutsideCodePage) {
    // cmd.exe hands the value on in full, but java reads its arguments in
    // the ANSI code page and gets '?' for these characters.
    return "KICKASS_PATH holds characters outside code page " +
           std::to_string(platform.GetAnsiCodePage()) +
           ", which java cannot read: put KickAss.jar in a folder whose name "
           "the code page holds";
  }
  if (lookup == EnvironmentLookup::kUnset || folder->empty()) {
    return "KICKASS_PATH is not set: set it to the folder that holds "
           "KickAss.jar";
  }
  if (platform.FileExists(*folder + kAssemblerArchive)) return "";
  if (folder->find('"') != std::string::npos) {
    // A common mistake on Windows (setx KICKASS_PATH "\"C:\...\""): the
    // quotes end up in the value and split the archive's path at java.
    return "KICKASS_PATH holds a double quote (" + *folder +
           "): set it to the folder without quotes";
  }
  if (platform.FileExists(*folder)) {
    return "KICKASS_PATH names a file (" + *folder +
           "): set it to the folder that holds KickAss.jar";
  }
  return "KickAss.jar is not in KICKASS_PATH (" + *folder +
         "): set it to the folder that holds KickAss.jar";
}

constexpr char kNoJava[] =
    "java is not on the PATH: install Java, or add the folder of its java "
    "program to the PATH";

}  // namespace

void WarnAboutSetup(Platform& platform, DebugOutput& output) {
  std::string folder, java;
  const std::string problem = KickAssProblem(platform, &folder);
  if (!problem.empty()) output.Warning("warning: %s\n", problem.c_str());
  if (!platform.FindProgram("java", &java)) {
    output.Warning("warning: %s\n", kNoJava);
  }
}

int CheckSetup(Platform& platform, Sockets& sockets, WindowRoute& windows,
               const MonitorAddress& monitor,
               const MonitorAddress& text_monitor, DebugOutput& output) {
  std::string java, folder;
  const bool java_found = platform.FindProgram("java", &java);
  output.Message("java: %s\n",
                 java_found ? ("found, " + java).c_str()
                            : (std::string("missing: ") + kNoJava).c_str());
  const std::string problem = KickAssProblem(platform, &folder);
  output.Message("KickAss.jar: %s\n",
                 problem.empty()
                     ? ("found in KICKASS_PATH (" + folder + ")").c_str()
                     : ("missing: " + problem).c_str());

  // The routes into VICE, any of which will do; but a probe that went
  // unanswered, or a VICE that would take nothing now, makes it not ready:
  // -r -e would meet the same.
  bool route = false, blocked = false;
  Association association;
  // Each probe within a bound of its own: --check ends, whatever the
  // display does, and a slow probe leaves the others their time.
  switch (platform.FindAssociation("demo.prg", Deadline(kLookupCapMs),
                                   &association)) {
    case AssociationLookup::kNone:
      output.Message(
          ".prg association: missing: associate .prg files with x64sc (see "
          "the README)\n");
      break;
    case AssociationLookup::kTimedOut:
      blocked = true;
      output.Message(
          ".prg association: unknown: %s did not answer within %g s (does "
          "the display answer?)\n",
          platform.GetShellWording().association_lookup, kLookupCapMs / 1000.0);
      break;
    case AssociationLookup::kFound:
      if (!association.program_found) {
        output.Message(".prg association: missing: it %s\n",
                       DescribeMissingProgram(association).c_str());
      } else {
        route = true;
        output.Message(".prg association: found, %s (%s)\n",
                       association.program.c_str(), association.entry.c_str());
      }
      break;
  }

  const MonitorState state =
      CheckMonitor(sockets, monitor, Deadline(kMonitorCapMs));
  const char* at = monitor.text.c_str();
  // The window is looked for first: its process may listen elsewhere.
  const FoundWindow window =
      windows.Find(0, Deadline(kDropCapMs), IsEmulatorTitle);
  if (state.owner.other_user) {
    output.Message(
        "VICE's monitor at %s: another user's%s: not used\n", at,
        state.owner.uid >= 0
            ? (" (uid " + std::to_string(state.owner.uid) + ")").c_str()
            : "");
  } else if (!state.listening) {
    output.Message("VICE's monitor at %s: missing: %s\n", at,
                   AdviseMonitor(sockets, window.pid, monitor).c_str());
  } else if (state.text_monitor) {
    output.Message(
        "VICE's monitor at %s: VICE's text monitor listens there: start VICE "
        "with -binarymonitor, and move the text monitor with "
        "-remotemonitoraddress\n",
        at);
  } else if (state.not_the_monitor) {
    output.Message(
        "VICE's monitor at %s: what answers is not VICE's monitor: another "
        "program has the port\n",
        at);
  } else if (!state.answered) {
    const bool stopped =
        state.owner.pid != 0 &&
        windows.Find(state.owner.pid, Deadline(kDropCapMs), IsMonitorTitle)
                .result == FoundWindow::kFound;
    blocked = blocked || stopped;
    output.Message("VICE's monitor at %s: does not answer%s\n", at,
                   stopped ? ": VICE is stopped in its monitor, leave it (x)"
                           : ": is it VICE's?");
  } else if (!state.c64) {
    output.Message(
        "VICE's monitor at %s: not a C64: start x64sc with -binarymonitor\n",
        at);
  } else {
    route = true;
    output.Message(
        "VICE's monitor at %s: found, a C64%s\n", at,
        state.owner.pid != 0
            ? (" (pid " + std::to_string(state.owner.pid) + ")").c_str()
            : "");
  }

  // Only debug runs use it, for the labels: it makes no route.
  const char* text_at = text_monitor.text.c_str();
  const bool same =
      text_monitor.host == monitor.host && text_monitor.port == monitor.port;
  switch (
      same ? TextMonitorState::kSameAddress
           : FindTextMonitor(sockets, text_monitor, Deadline(kMonitorCapMs))) {
    case TextMonitorState::kSameAddress:
      output.Message(
          "VICE's text monitor at %s: not looked for: the binary monitor is "
          "there; set BRACKWIN_TEXT_MONITOR to the text monitor's address\n",
          text_at);
      break;
    case TextMonitorState::kListening:
      output.Message("VICE's text monitor at %s: found (labels for -d)\n",
                     text_at);
      break;
    case TextMonitorState::kOtherUser:
      output.Message("VICE's text monitor at %s: another user's: not used\n",
                     text_at);
      break;
    case TextMonitorState::kAbsent:
      output.Message(
          "VICE's text monitor at %s: missing: start VICE with "
          "-remotemonitor to give debug runs (-d) the source's labels\n",
          text_at);
      break;
  }

  const std::string display = windows.Describe();
  const char* title = window.title.c_str();
  if (window.result == FoundWindow::kFound && window.reason == Reason::kNone) {
    route = true;
    output.Message("VICE window on %s: found, \"%s\"\n", display.c_str(),
                   title);
  } else if (window.result == FoundWindow::kFound) {
    output.Message(
        "VICE window on %s: found, \"%s\", but it %s\n", display.c_str(), title,
        window.reason == Reason::kDisabled
            ? "is disabled: a dialog is open in VICE"
        : window.reason == Reason::kTakesNoDrops ? "does not take dropped files"
                                                 : "is not responding");
  } else if (window.result == FoundWindow::kFailed) {
    blocked = true;
    output.Message("VICE window on %s: unknown: the display does not answer\n",
                   display.c_str());
  } else {
    output.Message("VICE window on %s: none open\n", display.c_str());
  }

  if (platform.GetCommandSyntax() == CommandSyntax::kPosix) {
    std::string x, wayland;
    const bool has_x =
        platform.GetEnvironment("DISPLAY", &x) == EnvironmentLookup::kSet &&
        !x.empty();
    const bool has_wayland =
        platform.GetEnvironment("WAYLAND_DISPLAY", &wayland) ==
            EnvironmentLookup::kSet &&
        !wayland.empty();
    if (has_x || has_wayland) {
      output.Message(
          "display: found, %s\n",
          (has_x ? "DISPLAY=" + x : "WAYLAND_DISPLAY=" + wayland).c_str());
    } else {
      output.Message(
          "display: missing: neither DISPLAY nor WAYLAND_DISPLAY is set; "
          "start brackwin from the desktop\n");
    }
  }

  const bool ready = java_found && problem.empty() && route && !blocked;
  output.Message(ready ? "ready: brackwin -f SOURCE -r -e can run\n"
                       : "not ready: see the lines above\n");
  return ready ? 0 : -1;
}

}  // namespace quennet::brackwin
