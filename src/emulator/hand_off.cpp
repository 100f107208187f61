#include "emulator/hand_off.h"

#include <cstdarg>
#include <cstdio>

namespace quennet::brackwin {
namespace {

// printf into a string, for the lines below.
std::string Format(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  va_list again;
  va_copy(again, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, arguments);
  va_end(arguments);
  std::string text(length > 0 ? length : 0, '\0');
  if (length > 0) std::vsnprintf(&text[0], text.size() + 1, format, again);
  va_end(again);
  return text;
}

// " (pid 1234)" where the VICE's process is known.
std::string Pid(const HandOff& result) {
  return result.pid != 0 ? Format(" (pid %ld)", result.pid) : "";
}

double Seconds(int milliseconds) { return milliseconds / 1000.0; }

HandOffLine Warning(std::string text) {
  return {HandOffLine::kWarning, "warning: " + text + "\n"};
}

// The lines of the monitor route.
HandOffLine RenderMonitor(const HandOff& r, const HandOffContext& c) {
  const char* program = c.program.c_str();
  const char* monitor = c.monitor.c_str();
  switch (r.outcome) {
    case Outcome::kDelivered: {
      const auto count = [](int n, const char* what) {
        return Format("%d %s%s", n, what, n == 1 ? "" : "s");
      };
      std::string debug;
      if (r.monitor.breakpoints >= 0) {
        debug = ", with " + count(r.monitor.breakpoints, "breakpoint");
        if (r.monitor.labels >= 0) {
          debug += " and " + count(r.monitor.labels, "label");
        }
      }
      const std::string how =
          r.monitor.started_at >= 0
              ? Format("loaded into VICE%s without a reset, started at $%04lX",
                       Pid(r).c_str(), r.monitor.started_at)
              : Format("autostarted in VICE%s through its monitor",
                       Pid(r).c_str());
      return {HandOffLine::kMessage,
              Format("%s: %s%s%s\n", program, how.c_str(), debug.c_str(),
                     r.monitor.raised == Raising::kNoWindow
                         ? "; its window is not on this display"
                         : "")};
    }
    case Outcome::kUnconfirmed:
      if (r.reason == Reason::kClosed) {
        return Warning(
            Format("VICE's monitor took %s but closed the connection before "
                   "confirming it",
                   program));
      }
      if (r.reason == Reason::kUnreadableAnswer) {
        return Warning(
            Format("VICE's monitor took %s but its answer could not be read",
                   program));
      }
      return Warning(
          Format("VICE's monitor took %s but did not confirm it within %g s",
                 program, Seconds(kMonitorCapMs)));
    case Outcome::kRefused:
    case Outcome::kFailed:
      break;
    case Outcome::kAbsent:
      return {};
  }
  switch (r.reason) {
    case Reason::kNotAC64:
      return Warning(Format(
          "the VICE on %s is not a C64 (x64sc or x64); it was left alone",
          monitor));
    case Reason::kErrorAnswer:
      return Warning(
          Format("VICE's monitor refused %s (error 0x%02lx)", program, r.code));
    case Reason::kPathTooLong:
      return Warning(Format(
          "the full path of %s is too long for VICE's monitor (%ld bytes, at "
          "most 255)",
          program, r.code));
    case Reason::kOtherUser:
      return Warning(Format(
          "the monitor on %s belongs to another user%s; nothing was sent to "
          "it",
          monitor, r.code >= 0 ? Format(" (uid %ld)", r.code).c_str() : ""));
    case Reason::kNoAnswer:
      return Warning(Format("the monitor on %s did not answer within %g s",
                            monitor, Seconds(kMonitorCapMs)));
    case Reason::kNotTheMonitor:
      return Warning(
          Format("what answers on %s is not VICE's monitor", monitor));
    case Reason::kTextMonitor:
      return Warning(
          Format("VICE's text monitor listens on %s: start VICE with "
                 "-binarymonitor, and move the text monitor with "
                 "-remotemonitoraddress",
                 monitor));
    case Reason::kStoppedInMonitor:
      return {HandOffLine::kError,
              "VICE is stopped in its monitor: leave it (x, or close the "
              "monitor window), then run again\n"};
    default:
      return Warning(
          Format("nothing could be sent to the monitor on %s", monitor));
  }
}

// The lines of the window route.
HandOffLine RenderWindow(const HandOff& r, const HandOffContext& c) {
  const char* program = c.program.c_str();
  const char* title = r.title.c_str();
  switch (r.outcome) {
    case Outcome::kDelivered:
      return {HandOffLine::kMessage,
              Format("%s: dropped onto the VICE window \"%s\"%s\n", program,
                     title, Pid(r).c_str())};
    case Outcome::kUnconfirmed:
      return Warning(Format(
          "the VICE window \"%s\" took %s but did not confirm the drop in time",
          title, program));
    case Outcome::kAbsent:
      return {};
    case Outcome::kFailed:
      break;
    case Outcome::kRefused:
      switch (r.reason) {
        case Reason::kDropUnanswered:
          return Warning(Format(
              "the VICE window \"%s\" did not answer the drop in time", title));
        case Reason::kDropRefused:
          return Warning(
              Format("the VICE window \"%s\" refused the drop", title));
        case Reason::kDropDeclined:
          return Warning(
              Format("the VICE window \"%s\" declined the drop", title));
        case Reason::kDataNotAsked:
          return Warning(
              Format("the VICE window \"%s\" never asked for the dropped file",
                     title));
        case Reason::kNotResponding:
          return Warning(
              Format("the VICE window \"%s\" is not responding", title));
        case Reason::kDisabled:
          return Warning(Format(
              "the VICE window \"%s\" is disabled: a dialog is open in VICE",
              title));
        case Reason::kTakesNoDrops:
          return Warning(Format(
              "the VICE window \"%s\" does not take dropped files", title));
        case Reason::kElevated:
          return Warning(Format(
              "the VICE window \"%s\" runs with higher rights and takes no "
              "drop from us: start VICE as yourself",
              title));
        case Reason::kOutsideCodePage:
          return Warning(Format(
              "the full path of %s holds characters outside code page %u; "
              "it cannot be handed to a running VICE",
              program, c.code_page));
        case Reason::kNoFolder:
          return Warning(Format(
              "the current folder cannot be read, so the full path of %s is "
              "not known; it cannot be handed to a running VICE",
              program));
        default:
          return Warning(Format(
              "the drop onto the VICE window \"%s\" could not be sent", title));
      }
  }
  const char* display = c.display.c_str();
  switch (r.reason) {
    case Reason::kDisplayLost:
      return {HandOffLine::kError,
              Format("the connection to %s broke; nothing was handed on\n",
                     display)};
    case Reason::kCrashed:
      return {HandOffLine::kError,
              Format("the window search on %s ended by signal %ld; nothing "
                     "was handed on\n",
                     display, r.code)};
    default:
      // What the shell would start needs the same display.
      return {HandOffLine::kError,
              Format("%s did not answer within %g s; nothing was handed on\n",
                     display, Seconds(kHandOffDeadlineMs))};
  }
}

}  // namespace

bool EndsTheChain(const HandOff& result) {
  return result.outcome == Outcome::kDelivered ||
         result.outcome == Outcome::kUnconfirmed ||
         result.outcome == Outcome::kFailed;
}

HandOffLine RenderHandOff(const HandOff& result,
                          const HandOffContext& context) {
  switch (result.route) {
    case Route::kMonitor:
      return RenderMonitor(result, context);
    case Route::kWindow:
      return RenderWindow(result, context);
    case Route::kShell:
      break;
  }
  return {};
}

HandOffLine RenderRaising(Raising raised, const HandOffContext& context) {
  if (raised != Raising::kFailed) return {};
  return Warning(
      Format("%s did not answer within %g s; VICE was not brought to the front",
             context.display.c_str(), Seconds(kHandOffDeadlineMs)));
}

std::string DescribeNoVice(const HandOff* monitor, const HandOff* window,
                           const HandOffContext& context) {
  if (monitor == nullptr || window == nullptr ||
      window->outcome != Outcome::kAbsent) {
    return "";
  }
  // Only the searches that ran: without a display no window was looked for.
  const std::string where =
      " (monitor at " + context.monitor +
      (window->reason == Reason::kNoDisplay ? ")" : ", C64 window)");
  if (monitor->outcome == Outcome::kAbsent) {
    return "no running VICE found" + where;
  }
  if (monitor->reason == Reason::kNotAC64) return "no C64 VICE found" + where;
  return "";
}

std::string RenderOpened(const std::string& opener, const HandOff* monitor,
                         const HandOff* window, const HandOffContext& context) {
  const std::string no_vice = DescribeNoVice(monitor, window, context);
  return context.program + ": " + (no_vice.empty() ? "" : no_vice + "; ") +
         "opened with " + opener + "\n";
}

}  // namespace quennet::brackwin
