// The window route under X11. The search walks the top-level windows of the
// default screen, and a drop goes through the XDND protocol, which is what
// GTK, Qt and SDL applications accept as a dropped file.
//
// Xlib waits without limit: for a display that accepts the connection but
// never answers (a dead ssh forward, a stopped server), and inside xcb,
// which retries interrupted reads. Only a process of its own can be given a
// deadline, so each step runs in a forked child that reports its progress
// over a pipe, one line a step; the parent kills it at the deadline and
// knows from the report how far it got: whether the drop was sent, whether
// the file was asked for. The tool is single-threaded, so the child may run
// Xlib and malloc after fork().

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/xlib_connection.h"
#include "shared/poll_wait.h"
#include "shared/window_route.h"

namespace quennet::brackwin {
namespace {

using Clock = std::chrono::steady_clock;

// The child stops this long before the deadline, so that its last report
// reaches the parent before the parent stops listening.
constexpr std::chrono::milliseconds kReportMargin(100);

// What the child reported, and how it ended.
struct ChildReport {
  std::string steps;  // The letters, in order.
  std::string title;
  long pid = 0;
  enum { kExited, kSignalled, kKilled } end = kKilled;
  int code = 0;             // The exit status or the signal.
  bool no_display = false;  // No display to search: nothing was searched.

  bool Saw(char step) const { return steps.find(step) != std::string::npos; }

  void Take(const std::string& line) {
    if (line.empty()) return;
    // No display is no window, and nothing was searched.
    if (line[0] == kNoDisplay) {
      no_display = true;
      steps += kNoWindow;
      return;
    }
    steps += line[0];
    if (line[0] == kFoundWindow) {
      const std::size_t space = line.find(' ');
      pid = std::strtol(line.c_str() + 1, nullptr, 10);
      title = space == std::string::npos ? "" : line.substr(space + 1);
    }
  }
};

class X11WindowRoute : public WindowRoute {
 public:
  HandOff Drop(const std::string& absolute_program, const Deadline& deadline,
               TitlePredicate is_vice) override {
    const ChildReport report =
        Run(&absolute_program, 0, is_vice, true, deadline);
    HandOff result = BaseOutcome(report);
    if (report.Saw(kFinished)) {
      result.outcome = Outcome::kDelivered;
    } else if (report.Saw(kDeclined)) {
      Refuse(&result, Reason::kDropDeclined);
    } else if (report.Saw(kRefused)) {
      Refuse(&result, Reason::kDropRefused);
    } else if (report.Saw(kNotSent)) {
      Refuse(&result, Reason::kNotSent);
    } else if (report.Saw(kDataGiven)) {
      // The target has the file and never said what it did with it.
      result.outcome = Outcome::kUnconfirmed;
      result.reason = Reason::kNone;
    } else if (report.Saw(kDropSent)) {
      // It never asked for the file, so it cannot have it.
      Refuse(&result, Reason::kDataNotAsked);
    } else if (report.Saw(kUnanswered)) {
      Refuse(&result, Reason::kDropUnanswered);
    }
    return result;
  }

  Raising Raise(long pid, const Deadline& deadline,
                TitlePredicate is_vice) override {
    const FoundWindow found = Locate(pid, deadline, is_vice, true);
    return found.result == FoundWindow::kFound    ? Raising::kRaised
           : found.result == FoundWindow::kFailed ? Raising::kFailed
                                                  : Raising::kNoWindow;
  }

  FoundWindow Find(long pid, const Deadline& deadline,
                   TitlePredicate matches) override {
    return Locate(pid, deadline, matches, false);
  }

  std::string Describe() override {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || display[0] == '\0') {
      return "the X display (DISPLAY is unset)";
    }
    return std::string("the X display ") + display;
  }

 private:
  // The window of `pid` whose title `matches`, brought to the front with
  // `raise`. The child's last step, "raised", means found when not asked
  // to raise.
  FoundWindow Locate(long pid, const Deadline& deadline, TitlePredicate matches,
                     bool raise) {
    const ChildReport report = Run(nullptr, pid, matches, raise, deadline);
    FoundWindow found;
    found.title = report.title;
    found.pid = report.pid;
    if (report.Saw(kRaised)) {
      found.result = FoundWindow::kFound;
    } else if (report.no_display) {
      found.result = FoundWindow::kNoDisplay;
    } else if (BaseOutcome(report).outcome == Outcome::kFailed) {
      found.result = FoundWindow::kFailed;
    }
    return found;
  }

  static void Refuse(HandOff* result, Reason reason) {
    result->outcome = Outcome::kRefused;
    result->reason = reason;
  }

  // The outcome that the report gives before the drop's own steps: absent,
  // or failed by how the child ended.
  static HandOff BaseOutcome(const ChildReport& report) {
    HandOff result;
    result.route = Route::kWindow;
    result.title = report.title;
    result.pid = report.pid;
    if (report.Saw(kNoWindow)) {  // Absent.
      if (report.no_display) result.reason = Reason::kNoDisplay;
      return result;
    }
    result.outcome = Outcome::kFailed;
    switch (report.end) {
      case ChildReport::kKilled:
        result.reason = Reason::kDisplaySilent;
        break;
      case ChildReport::kSignalled:
        result.reason = Reason::kCrashed;
        result.code = report.code;
        break;
      case ChildReport::kExited:
        result.reason = Reason::kDisplayLost;
        break;
    }
    return result;
  }

  ChildReport Run(const std::string* program, long pid, TitlePredicate is_vice,
                  bool raise, const Deadline& deadline) {
    ChildReport report;
    // Without a display there is no window; Xlib is not even loaded.
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || display[0] == '\0') {
      report.Take(std::string(1, kNoDisplay));
      return report;
    }
    int fds[2];
    if (pipe(fds) != 0) {
      report.end = ChildReport::kExited;
      return report;
    }
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    fcntl(fds[1], F_SETFD, FD_CLOEXEC);
    std::fflush(nullptr);  // Nothing buffered may be written twice.
    const pid_t child = fork();
    if (child < 0) {
      close(fds[0]);
      close(fds[1]);
      report.end = ChildReport::kExited;
      return report;
    }
    if (child == 0) {
      close(fds[0]);
      Reporter reporter(fds[1]);
      RunInChild(program, pid, is_vice, raise, deadline.At() - kReportMargin,
                 reporter);
      // No exit handlers: they belong to the parent.
      _exit(0);
    }
    close(fds[1]);
    std::string pending;
    char chunk[512];
    bool ended = false;
    while (!ended) {
      const int left = deadline.MillisecondsLeft();
      if (left == 0 || !WaitFor(fds[0], POLLIN, left)) break;
      const ssize_t count = read(fds[0], chunk, sizeof(chunk));
      if (count < 0 && errno == EINTR) continue;
      if (count <= 0) {
        ended = true;
        break;
      }
      pending.append(chunk, static_cast<std::size_t>(count));
      for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
        report.Take(pending.substr(0, end));
        pending.erase(0, end + 1);
      }
    }
    close(fds[0]);
    // End of file: the child closed its end by exiting, or is about to.
    int status = 0;
    pid_t done = 0;
    while (ended && (done = waitpid(child, &status, WNOHANG)) == 0 &&
           !deadline.Passed()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (done != child) {
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
      report.end = ChildReport::kKilled;
    } else if (WIFSIGNALED(status)) {
      report.end = ChildReport::kSignalled;
      report.code = WTERMSIG(status);
    } else {
      report.end = ChildReport::kExited;
      report.code = WEXITSTATUS(status);
    }
    return report;
  }
};

}  // namespace

WindowRoute& GetWindowRoute() {
  static X11WindowRoute route;
  return route;
}

}  // namespace quennet::brackwin
