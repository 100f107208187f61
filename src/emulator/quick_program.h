#ifndef BRACKWIN_EMULATOR_QUICK_PROGRAM_H_
#define BRACKWIN_EMULATOR_QUICK_PROGRAM_H_

#include <cstdint>
#include <string>
#include <vector>

namespace quennet::brackwin {

/// A program that can be put into a running C64 without a reset: its bytes,
/// where they go, and where it starts.
struct QuickProgram {
  std::uint16_t load = 0;
  std::uint16_t entry = 0;
  std::vector<unsigned char> bytes;  // Without the two-byte load address.
};

/// Whether a .prg file can be put in without a reset, and why not.
enum class QuickCheck {
  kReady,
  kTooShort,   // Shorter than its two-byte load address.
  kTooLong,    // Would run past $FFFF.
  kSystem,     // Would overwrite $0000-$03FF or the I/O area $D000-$DFFF.
  kNoSysLine,  // Not a BASIC line "SYS <number>" at $0801.
};

/// Reads a .prg file (`file`: its load address, then its bytes). A program
/// is started at the number of the SYS in its first BASIC line, which must
/// be at $0801: spaces skipped, the SYS token ($9E), decimal digits (in
/// parentheses allowed), then the line's end or a colon.
QuickCheck ReadQuickProgram(const std::vector<unsigned char>& file,
                            QuickProgram* program);

/// Why `check` keeps a program from going in without a reset, for
/// "...: <why>; it is autostarted instead".
std::string DescribeQuickCheck(QuickCheck check);

/// Where the wait before a debug run's entry goes: RAM that the KERNAL and
/// BASIC leave unused ($02A7-$02FF).
inline constexpr std::uint16_t kEntryWaitAddress = 0x02a7;

/// The code put at kEntryWaitAddress for a debug run: a loop of more than
/// two frames (PAL or NTSC), then a jump to `entry`. VICE passes over
/// breakpoints reached in the frame in which it left its monitor, and ends
/// the monitor's connection at its first look after that, so a breakpoint
/// at the entry is only hit when the program starts later.
std::vector<unsigned char> BuildEntryWait(std::uint16_t entry);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_EMULATOR_QUICK_PROGRAM_H_
