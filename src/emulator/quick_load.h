#ifndef BRACKWIN_EMULATOR_QUICK_LOAD_H_
#define BRACKWIN_EMULATOR_QUICK_LOAD_H_

#include <string>

#include "emulator/binary_monitor.h"
#include "emulator/quick_program.h"

namespace quennet::brackwin {

/// Puts `program` into the C64 that `monitor` holds stopped, without a
/// reset, and readies it to start there as a program started by SYS from
/// BASIC would: its bytes into RAM at its load address, BASIC's pointers
/// set to them, the KERNAL's RAM vectors ($0314-$0333) from the KERNAL
/// ROM's own table, ROMs and I/O in ($01 = $37), the VIC's raster
/// interrupt off and acknowledged, the CIAs' interrupt masks as after a
/// reset, on the stack a return to BASIC's warm start, I and D clear, and
/// the program counter at the entry; with `wait_first`, at a wait of more
/// than a frame that then jumps to the entry (BuildEntryWait). Leaving the
/// monitor then starts it. Bank and register ids are VICE's own (0x82,
/// 0x83), read each time.
/// Returns kAnswered when every request was answered; `refused` is then
/// empty, or says which request VICE refused (the machine may be half
/// written: an autostart, which resets it, must follow). Any other answer
/// is the connection's trouble.
MonitorConnection::Answer PrepareQuickStart(MonitorConnection& monitor,
                                            const QuickProgram& program,
                                            bool wait_first,
                                            std::string* refused);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_EMULATOR_QUICK_LOAD_H_
