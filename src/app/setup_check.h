#ifndef BRACKWIN_APP_SETUP_CHECK_H_
#define BRACKWIN_APP_SETUP_CHECK_H_

#include "diag/debug_output.h"
#include "emulator/binary_monitor.h"
#include "platform/platform.h"
#include "platform/sockets.h"
#include "shared/window_route.h"

namespace quennet::brackwin {

/// Looks at what the assembler command needs and warns, one line each on
/// the Warning channel, saying what to set: KICKASS_PATH unset or empty,
/// holding characters outside the ANSI code page or a double quote, naming
/// the archive itself or a folder without KickAss.jar; no java on the search
/// path. Prints nothing when all is well.
/// Only looks: it never refuses and changes nothing.
void WarnAboutSetup(Platform& platform, DebugOutput& output);

/// `--check`: prints a line for each thing that -r -e needs, each saying
/// found or missing and what to do: java on the PATH, KICKASS_PATH and
/// KickAss.jar, the .prg association and its program, VICE's monitor at
/// `monitor` (whose, which machine, stopped), VICE's text monitor at
/// `text_monitor` (the labels of -d), a VICE window, and on POSIX
/// the display; then whether all is ready. Assembles, launches and changes
/// nothing; a monitor it asks is left running. Returns 0 when the assembler
/// can run and at least one route into VICE exists, else -1.
int CheckSetup(Platform& platform, Sockets& sockets, WindowRoute& windows,
               const MonitorAddress& monitor,
               const MonitorAddress& text_monitor, DebugOutput& output);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_APP_SETUP_CHECK_H_
