#ifndef BRACKWIN_APP_SETUP_CHECK_H_
#define BRACKWIN_APP_SETUP_CHECK_H_

#include "diag/debug_output.h"
#include "platform/platform.h"

namespace quennet::brackwin {

/// Looks at what the assembler command needs and warns, one line each on
/// the Warning channel, saying what to set: KICKASS_PATH unset or empty,
/// holding characters outside the ANSI code page or a double quote, naming
/// the archive itself or a folder without KickAss.jar; no java on the search
/// path. Prints nothing when all is well.
/// Only looks: it never refuses and changes nothing.
void WarnAboutSetup(Platform& platform, DebugOutput& output);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_APP_SETUP_CHECK_H_
