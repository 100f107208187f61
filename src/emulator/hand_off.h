#ifndef BRACKWIN_EMULATOR_HAND_OFF_H_
#define BRACKWIN_EMULATOR_HAND_OFF_H_

#include <string>

#include "shared/hand_off_types.h"

namespace quennet::brackwin {

/// Whether the chain of routes ends with `result`: once the program may
/// have arrived (delivered or unconfirmed), no other route may deliver it a
/// second time; a failed route ends it too.
bool EndsTheChain(const HandOff& result);

/// What the user reads of a hand-off, and on which channel.
struct HandOffLine {
  enum Channel { kNone, kMessage, kWarning, kError } channel = kNone;
  std::string text;  // Ends in a line feed; empty for kNone.
};

/// Where -e looked, for the lines that say it found nothing.
struct HandOffContext {
  std::string program;         // As the user named it, with .prg.
  std::string monitor;         // "127.0.0.1:6502".
  std::string display;         // "the X display :0", "the desktop".
  unsigned int code_page = 0;  // The ANSI code page, for messages.
};

/// The one line that `result` gives the user; none for a route that found
/// nothing, or for a raise that worked.
HandOffLine RenderHandOff(const HandOff& result, const HandOffContext& context);

/// The warning when bringing VICE to the front after a route failed; none
/// otherwise.
HandOffLine RenderRaising(Raising raised, const HandOffContext& context);

/// What -e found when neither route found a VICE that took the program:
/// "no running VICE found (monitor at ..., C64 window)" when both found
/// nothing, "no C64 VICE found (...)" when the monitor was another
/// machine's and there was no window; empty otherwise (a refusal has had
/// its warning).
std::string DescribeNoVice(const HandOff* monitor, const HandOff* window,
                           const HandOffContext& context);

/// The shell route's line when `opener` opened the program, after the
/// monitor and window routes (null without -e) did not take it, with what
/// DescribeNoVice says.
std::string RenderOpened(const std::string& opener, const HandOff* monitor,
                         const HandOff* window, const HandOffContext& context);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_EMULATOR_HAND_OFF_H_
