#ifndef BRACKWIN_EMULATOR_EMULATOR_WINDOW_H_
#define BRACKWIN_EMULATOR_EMULATOR_WINDOW_H_

#include <string>

namespace quennet::brackwin {

/// Whether `title` is the title of a C64 emulator window of VICE, of any
/// version and user interface from 2.x to 3.10 (exact bytes,
/// case-sensitive, at the start of the title). The titles of VICE's other
/// machines (C64DTV, C128, SCPU64, VSID), of its other windows (monitor,
/// settings), and of other programs' windows that merely mention one never
/// are. The window routes search with it.
bool IsEmulatorTitle(const std::string& title);

/// Whether `title` is that of VICE's own monitor window ("VICE monitor"),
/// which is open while VICE is stopped in its monitor.
bool IsMonitorTitle(const std::string& title);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_EMULATOR_EMULATOR_WINDOW_H_
