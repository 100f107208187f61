#include "emulator/hand_off_chain.h"

#include "emulator/emulator_window.h"
#include "emulator/hand_off.h"
#include "emulator/vice_symbols.h"
#include "shared/deadline.h"

namespace quennet::brackwin {

std::string AdviseMonitor(Sockets& sockets, long vice_pid,
                          const MonitorAddress& address) {
  const std::vector<int> ports =
      vice_pid != 0 ? sockets.FindListeningPorts(vice_pid, address.host)
                    : std::vector<int>();
  for (const int port : ports) {
    if (port == address.port) continue;
    const std::string other =
        address.text.substr(0, address.text.rfind(':') + 1) +
        std::to_string(port);
    return "VICE (pid " + std::to_string(vice_pid) + ") listens on " + other +
           ": if that is its monitor, set BRACKWIN_MONITOR=" + other;
  }
  return "start VICE with -binarymonitor (see the README)";
}

std::string DescribeMissingProgram(const Association& association) {
  if (association.program.empty()) {
    return "(" + association.entry + ") names no program: fix the association";
  }
  return "runs " + association.program + " (" + association.entry +
         "), which is not installed: install it, or fix the association";
}

HandOffChain::HandOffChain(Platform& platform, Sockets& sockets,
                           WindowRoute& windows, DebugOutput& output)
    : platform_(platform),
      sockets_(sockets),
      windows_(windows),
      output_(output) {}

bool HandOffChain::Run(const LaunchPaths& paths, bool use_running_emulator,
                       const MonitorAddress& address,
                       const MonitorRequests& requests) {
  const HandOffContext context{paths.program, address.text, windows_.Describe(),
                               platform_.GetAnsiCodePage()};
  const std::vector<Breakpoint>* breakpoints = requests.breakpoints;
  // What only the monitor gives, for the warning of the other routes.
  const char* const needs =
      breakpoints == nullptr
          ? (requests.quick == nullptr ? nullptr : "-q needs")
          : (requests.quick == nullptr ? "breakpoints and labels need"
                                       : "-q, breakpoints and labels need");
  const auto monitor_only = [&](long vice_pid) {
    if (needs == nullptr) return;
    output_.Warning("warning: %s VICE's monitor: %s\n", needs,
                    AdviseMonitor(sockets_, vice_pid, address).c_str());
  };
  if (!use_running_emulator) {
    monitor_only(0);
    return OpenThroughShell(paths, nullptr, nullptr, context);
  }

  // The routes into a running VICE, in order, all before one deadline. Any
  // that may have delivered the program ends the chain: a second route
  // would deliver it twice.
  const Deadline deadline(kHandOffDeadlineMs);
  HandOff monitor, window;
  monitor.route = Route::kMonitor;
  window.route = Route::kWindow;
  // The emulator runs in a folder of its own, so it is given the full path;
  // where there is none, only the shell can open the file.
  std::string absolute;
  const AbsolutePath made = platform_.GetAbsolutePath(paths.program, &absolute);
  if (made == AbsolutePath::kMade) {
    const ListenerOwner owner =
        sockets_.FindListener(address.host, address.port);
    if (owner.owner_unknown) {
      output_.Warning(
          "warning: the system does not say whose the listener on %s is; it "
          "is taken for your VICE\n",
          context.monitor.c_str());
    }
    // The VICE the user looks at wins: where the monitor's VICE has no
    // window on this display and a VICE window here takes the drop, the
    // monitor is sent nothing.
    FoundWindow here;
    here.result = FoundWindow::kFound;
    bool dropped_here = false;
    if (owner.seen && !owner.other_user && owner.pid != 0) {
      here = windows_.Find(owner.pid, deadline.Capped(kRaiseCapMs),
                           IsEmulatorTitle);
      if (here.result == FoundWindow::kNotFound) {
        window = windows_.Drop(absolute, deadline, IsEmulatorTitle);
        dropped_here = true;
        if (window.outcome == Outcome::kDelivered ||
            window.outcome == Outcome::kUnconfirmed) {
          monitor_only(window.pid);
          Print(RenderHandOff(window, context));
          return true;
        }
        // A refusal is said; a drop that failed leaves the monitor's VICE,
        // which needs no display, to serve.
        if (window.outcome == Outcome::kRefused) {
          Print(RenderHandOff(window, context));
        }
      }
    }
    // The labels first: any byte on the text monitor stops VICE, and only
    // closing that connection lets it run on, so it must be closed before
    // the binary monitor holds VICE.
    int labels = -1;
    // The binary monitor moved to the text one's default port (6510, say)
    // must not be sent text.
    const bool text_elsewhere = requests.text_monitor.host != address.host ||
                                requests.text_monitor.port != address.port;
    // A VICE stopped in its monitor window reads neither monitor: what the
    // text one is sent would wait there, and the binary one says why.
    if (requests.labels != nullptr && owner.seen && !owner.other_user &&
        text_elsewhere &&
        (owner.pid == 0 ||
         windows_.Find(owner.pid, deadline.Capped(kRaiseCapMs), IsMonitorTitle)
                 .result != FoundWindow::kFound)) {
      const LabelsResult result =
          LoadLabels(sockets_, requests.text_monitor, owner.pid,
                     *requests.labels, deadline);
      switch (result) {
        case LabelsResult::kLoaded:
          labels = static_cast<int>(requests.labels->size());
          break;
        case LabelsResult::kNoAnswer:
          output_.Warning(
              "warning: VICE's text monitor on %s did not answer; no labels "
              "were given\n",
              requests.text_monitor.text.c_str());
          break;
        case LabelsResult::kOtherUser:
        case LabelsResult::kOtherVice:
          output_.Warning(
              "warning: the text monitor on %s %s; no labels were sent\n",
              requests.text_monitor.text.c_str(),
              result == LabelsResult::kOtherUser ? "belongs to another user"
                                                 : "is another VICE's");
          break;
        case LabelsResult::kNoMonitor:
          break;
      }
    }
    monitor = AutostartThroughMonitor(sockets_, address, owner, absolute,
                                      deadline, breakpoints, requests.quick);
    monitor.monitor.labels = labels;
    if (!monitor.monitor.not_quick.empty()) {
      output_.Warning(
          "warning: %s was not loaded without a reset: %s; it is "
          "autostarted\n",
          paths.program.c_str(), monitor.monitor.not_quick.c_str());
    }
    // A VICE that stopped at a breakpoint waits in its own monitor window,
    // and its binary monitor answers nothing: a drop would land in a
    // stopped VICE too.
    if (monitor.reason == Reason::kNoAnswer && monitor.pid != 0 &&
        windows_.Find(monitor.pid, deadline, IsMonitorTitle).result ==
            FoundWindow::kFound) {
      monitor.outcome = Outcome::kFailed;
      monitor.reason = Reason::kStoppedInMonitor;
    }
    for (const int line : monitor.monitor.refused_conditions) {
      output_.Warning(
          "warning: VICE refused the condition of the breakpoint in line %d "
          "of %s; it stops there always\n",
          line, SymbolFile(paths.program).c_str());
    }
    if (monitor.outcome == Outcome::kDelivered ||
        monitor.outcome == Outcome::kUnconfirmed) {
      // The VICE that took it comes to the front, as a new one would; what
      // the look above found is not asked again.
      monitor.monitor.raised =
          here.result == FoundWindow::kNotFound ? Raising::kNoWindow
          : here.result == FoundWindow::kFailed
              ? Raising::kFailed
              : windows_.Raise(monitor.pid, deadline, IsEmulatorTitle);
      Print(RenderRaising(monitor.monitor.raised, context));
    }
    Print(RenderHandOff(monitor, context));
    if (EndsTheChain(monitor)) return monitor.outcome != Outcome::kFailed;
    // The window route has had its turn already where it came first; its
    // refusal was said then.
    if (!dropped_here) {
      window = windows_.Drop(absolute, deadline, IsEmulatorTitle);
    }
    monitor_only(window.pid);
    if (!dropped_here || window.outcome != Outcome::kRefused) {
      Print(RenderHandOff(window, context));
    }
  } else {
    window.outcome = Outcome::kRefused;
    window.reason = made == AbsolutePath::kOutsideCodePage
                        ? Reason::kOutsideCodePage
                        : Reason::kNoFolder;
    Print(RenderHandOff(window, context));
  }
  if (EndsTheChain(window)) return window.outcome != Outcome::kFailed;
  return OpenThroughShell(paths, &monitor, &window, context);
}

bool HandOffChain::WatchOpener(const std::string& program,
                               const Deadline& deadline, OpenResult* result,
                               OpenerWatch* seen) {
  // How often the opener and what it started are looked at.
  constexpr int kWatchStepMs = 50;
  // An opener that ends at once, as most do, is not held up by the
  // association's look-up (xdg-mime), which only watching needs.
  constexpr int kFirstWaitMs = 500;
  for (int wait = kFirstWaitMs;; wait = kWatchStepMs) {
    if (platform_.AwaitOpener(result, deadline.MillisecondsLeft(wait))) {
      return true;
    }
    if (deadline.Passed()) return false;
    if (!seen->looked_up) {
      seen->looked_up = true;
      seen->lookup =
          platform_.FindAssociation(program, deadline, &seen->association);
    }
    const std::string& started = seen->Program();
    if (started.empty()) continue;
    seen->pid = platform_.FindDescendant(result->process, started);
    if (seen->pid == 0) continue;
    const FoundWindow::Result window =
        windows_
            .Find(seen->pid, deadline.Capped(kRaiseCapMs),
                  [](const std::string&) { return true; })
            .result;
    // A look cut short by the deadline does not undo that the display
    // answered a look before it.
    if (window != FoundWindow::kFailed || !seen->display_answered) {
      seen->window = window;
    }
    seen->display_answered =
        seen->display_answered || window == FoundWindow::kNotFound;
    // Without an X display (Wayland alone) the running program is all
    // that can be seen.
    if (seen->window == FoundWindow::kFound ||
        seen->window == FoundWindow::kNoDisplay) {
      result->status = OpenStatus::kOpened;
      return true;
    }
  }
}

std::string HandOffChain::DescribeUnfinishedOpening(
    const OpenResult& result, const OpenerWatch& seen,
    const HandOffContext& context) {
  const std::string within = std::to_string(kHandOffDeadlineMs / 1000) + " s";
  const std::string may = "; " + context.program + " may not open";
  const std::string& started = seen.Program();
  if (seen.pid == 0) {
    return std::string(result.opener) + " still runs after " + within +
           (started.empty() ? ", and what it starts is not known"
                            : ", and " + started + " has not started") +
           may;
  }
  const std::string runs =
      started + " (pid " + std::to_string(seen.pid) + ") runs, but ";
  if (seen.window == FoundWindow::kFailed) {
    return runs + context.display + " did not answer" + may;
  }
  return runs + "no window of it appeared on " + context.display + " within " +
         within + may;
}

void HandOffChain::Print(const HandOffLine& line) {
  switch (line.channel) {
    case HandOffLine::kNone:
      break;
    case HandOffLine::kMessage:
      output_.Message("%s", line.text.c_str());
      break;
    case HandOffLine::kWarning:
      output_.Warning("%s", line.text.c_str());
      break;
    case HandOffLine::kError:
      output_.Error("%s", line.text.c_str());
      break;
  }
}

bool HandOffChain::OpenThroughShell(const LaunchPaths& paths,
                                    const HandOff* monitor,
                                    const HandOff* window,
                                    const HandOffContext& context) {
  const Deadline deadline(kHandOffDeadlineMs);
  OpenResult result =
      platform_.OpenWithShell(paths.program, paths.working_directory);
  const char* program = paths.program.c_str();
  const ShellWording& words = platform_.GetShellWording();
  // Where -e looked, for the user who will fix the association.
  const std::string no_vice = DescribeNoVice(monitor, window, context);
  OpenerWatch seen;
  if (result.status == OpenStatus::kStarted &&
      !WatchOpener(paths.program, deadline, &result, &seen)) {
    // Nothing is claimed on silence; nothing failed either.
    if (!no_vice.empty()) output_.Message("%s: %s\n", program, no_vice.c_str());
    output_.Warning("warning: %s\n",
                    DescribeUnfinishedOpening(result, seen, context).c_str());
    return true;
  }
  if (result.status == OpenStatus::kOpened) {
    output_.Message(
        "%s", RenderOpened(result.opener, monitor, window, context).c_str());
    return true;
  }
  if (!no_vice.empty()) output_.Error("%s\n", no_vice.c_str());
  // Explaining a failure needs the association: the watch's look-up, or,
  // where there was none or it ran out of time, one of its own.
  Association& association = seen.association;
  const auto look_up = [&]() {
    if (!seen.looked_up || seen.lookup == AssociationLookup::kTimedOut) {
      seen.lookup = platform_.FindAssociation(
          paths.program, Deadline(kLookupCapMs), &association);
    }
    return seen.lookup;
  };
  switch (result.status) {
    case OpenStatus::kOpened:
    case OpenStatus::kStarted:
      break;
    case OpenStatus::kProgramFailed:
      output_.Error(
          "%s started %s for %s, and it exited at once with code %d: %s\n",
          result.opener,
          result.program.empty() ? "the application" : result.program.c_str(),
          program, result.code, words.application_failure);
      break;
    case OpenStatus::kNoAssociation:
      output_.Error(
          "no application is associated with .prg files: %s (see the "
          "README)\n",
          words.associate);
      break;
    case OpenStatus::kNoApplication:
      output_.Error(
          "no application is associated with .prg files (%s): %s found none "
          "for %s; %s (see the README)\n",
          words.file_type, result.opener, program, words.associate);
      break;
    case OpenStatus::kNoDesktopSession:
      output_.Error("%s could not open %s: %s\n", result.opener, program,
                    words.no_session);
      break;
    case OpenStatus::kApplicationFailed: {
      // The opener could not start what the association names; it says
      // nothing of why, and the program itself would.
      const AssociationLookup lookup = look_up();
      if (lookup == AssociationLookup::kTimedOut) {
        output_.Error(
            "%s could not start the application for %s (status %d), and %s "
            "did not answer within %g s\n",
            result.opener, program, result.code, words.association_lookup,
            kLookupCapMs / 1000.0);
      } else if (lookup == AssociationLookup::kNone) {
        output_.Error(
            "%s could not start the application for %s (status %d), and "
            "%s names none: %s (see the README)\n",
            result.opener, program, result.code, words.association_lookup,
            words.associate);
      } else if (!association.program_found) {
        output_.Error(
            "%s could not start the application for %s (status %d); the .prg "
            "association %s (see the README)\n",
            result.opener, program, result.code,
            DescribeMissingProgram(association).c_str());
      } else {
        output_.Error(
            "%s could not start the application for %s (status %d); the .prg "
            "association runs %s (%s): run \"%s %s\" to see its message "
            "(%s)\n",
            result.opener, program, result.code, association.program.c_str(),
            association.entry.c_str(), association.program.c_str(), program,
            words.application_failure);
      }
      break;
    }
    case OpenStatus::kApplicationMissing: {
      if (look_up() == AssociationLookup::kFound &&
          !association.program_found && !association.program.empty()) {
        output_.Error(
            "the application associated with .prg files, %s, was not found: "
            "fix the association (see the README)\n",
            association.program.c_str());
      } else {
        output_.Error(
            "the application associated with .prg files was not found: fix "
            "the association (see the README)\n");
      }
      break;
    }
    case OpenStatus::kFileNotFound:
      output_.Error("cannot open %s: file not found\n", program);
      break;
    case OpenStatus::kAccessDenied:
      output_.Error("cannot open %s: access denied\n", program);
      break;
    case OpenStatus::kOpenerMissing:
      output_.Error("cannot start %s to open %s (%s)\n", result.opener, program,
                    words.get_opener);
      break;
    case OpenStatus::kOpenerFailed:
      output_.Error("%s could not open %s: status %d, %s\n", result.opener,
                    program, result.code, result.meaning);
      break;
    case OpenStatus::kPathTooLong:
      output_.Error(
          "cannot open %s: its full path is %d characters, too long for the "
          "shell (%s)\n",
          program, result.code, words.shell_path_limit);
      break;
    case OpenStatus::kOtherError:
      output_.Error("cannot open %s: error %d\n", program, result.code);
      break;
  }
  return false;
}

}  // namespace quennet::brackwin
