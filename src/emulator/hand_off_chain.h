#ifndef BRACKWIN_EMULATOR_HAND_OFF_CHAIN_H_
#define BRACKWIN_EMULATOR_HAND_OFF_CHAIN_H_

#include <string>
#include <vector>

#include "diag/debug_output.h"
#include "emulator/binary_monitor.h"
#include "emulator/hand_off.h"
#include "emulator/quick_program.h"
#include "emulator/text_monitor.h"
#include "emulator/vice_symbols.h"
#include "paths/path_parts.h"
#include "platform/platform.h"
#include "platform/sockets.h"
#include "shared/window_route.h"

namespace quennet::brackwin {

/// How to reach VICE's monitor, for the VICE of process `vice_pid` (0:
/// none known): where it listens on another loopback port than `address`'s,
/// that port and BRACKWIN_MONITOR; otherwise "start VICE with
/// -binarymonitor (see the README)".
std::string AdviseMonitor(Sockets& sockets, long vice_pid,
                          const MonitorAddress& address);

/// What is wrong with an association whose program is not found, and what
/// to do: "runs x64sc (brackwin-x64sc.desktop), which is not installed:
/// install it, ...", or "(...) names no program: fix the association" when
/// its entry names none (a desktop file that is gone).
std::string DescribeMissingProgram(const Association& association);

/// What a run asks of the VICE that takes the program beyond running it,
/// which only its monitors can give.
struct MonitorRequests {
  /// A debug run's breakpoints (null otherwise): they replace VICE's own.
  const std::vector<Breakpoint>* breakpoints = nullptr;
  /// A debug run's labels, the symbol file's "al" lines: they replace
  /// VICE's own through its text monitor at `text_monitor`, if it listens.
  const std::vector<std::string>* labels = nullptr;
  MonitorAddress text_monitor = DefaultTextMonitor();
  /// -q: the program to put into the running machine without a reset.
  const QuickProgram* quick = nullptr;
};

/// The routes that hand an assembled program on, in order: into the VICE
/// that is already running, through its monitor and then onto its window,
/// all within one deadline (kHandOffDeadlineMs); otherwise, or when neither
/// took it, through the shell. Once a route may have delivered the program,
/// no other route runs. Prints a line for each route that found a VICE and
/// one for the route taken.
class HandOffChain {
 public:
  /// Asks `platform`, `sockets` and `windows`, and prints to `output`; all
  /// must outlive the chain.
  HandOffChain(Platform& platform, Sockets& sockets, WindowRoute& windows,
               DebugOutput& output);

  HandOffChain(const HandOffChain&) = delete;
  HandOffChain& operator=(const HandOffChain&) = delete;

  /// Hands `paths.program`, which must exist and be this run's, to VICE:
  /// with `use_running_emulator`, to the one whose monitor listens at
  /// `address` or whose window is found, else through the shell. What
  /// `requests` asks goes with the monitor route, the labels before the
  /// first request to the binary monitor; any other route says it gives
  /// none of it. Returns false when the route taken failed.
  bool Run(const LaunchPaths& paths, bool use_running_emulator,
           const MonitorAddress& address, const MonitorRequests& requests);

 private:
  /// Prints `line` on its channel.
  void Print(const HandOffLine& line);

  /// What watching an opener saw of the program that it starts.
  struct OpenerWatch {
    /// The association, once looked up, and how that went.
    bool looked_up = false;
    AssociationLookup lookup = AssociationLookup::kNone;
    Association association;
    long pid = 0;  // Its program's process, once running.
    FoundWindow::Result window = FoundWindow::kNotFound;
    bool display_answered = false;

    /// The program the association starts; empty where none is known.
    const std::string& Program() const {
      static const std::string kNone;
      return lookup == AssociationLookup::kFound ? association.program : kNone;
    }
  };

  /// Watches the opener of `result` (kStarted) until `deadline`: returns
  /// true once it ended (`result` as its status says), or once the
  /// association's program runs among its descendants and has a window on
  /// this display (opened); false at the deadline, with what was `seen`.
  bool WatchOpener(const std::string& program, const Deadline& deadline,
                   OpenResult* result, OpenerWatch* seen);

  /// The warning when the deadline came first: what was seen.
  static std::string DescribeUnfinishedOpening(const OpenResult& result,
                                               const OpenerWatch& seen,
                                               const HandOffContext& context);

  /// Opens the program through the shell, and says how that went, after
  /// the routes of -e (null without it) did not take it.
  bool OpenThroughShell(const LaunchPaths& paths, const HandOff* monitor,
                        const HandOff* window, const HandOffContext& context);

  Platform& platform_;
  Sockets& sockets_;
  WindowRoute& windows_;
  DebugOutput& output_;
};

}  // namespace quennet::brackwin

#endif  // BRACKWIN_EMULATOR_HAND_OFF_CHAIN_H_
