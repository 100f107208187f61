#ifndef BRACKWIN_EMULATOR_VICE_SYMBOLS_H_
#define BRACKWIN_EMULATOR_VICE_SYMBOLS_H_

#include <cstdint>
#include <string>
#include <vector>

namespace quennet::brackwin {

/// A breakpoint of the source: a `.break` directive.
struct Breakpoint {
  std::uint16_t address = 0;
  /// The text after "if", in VICE's conditional expressions; empty for none.
  std::string condition;
  /// The line of the symbol file it came from, from 1.
  int line = 0;
};

/// What the assembler's VICE symbol file (-vicesymbols, <name>.vs) holds.
struct ViceSymbols {
  std::vector<Breakpoint> breakpoints;
  std::vector<std::string> labels;  // "al C:21d4 .ClearScreen" lines.
  int skipped = 0;                  // Lines that are neither, blank ones aside.
};

/// The symbol file that -vicesymbols writes next to `program` (a path that
/// ends in ".prg"): the same name with ".vs".
std::string SymbolFile(const std::string& program);

/// Reads the text of a symbol file: "al C:ADDR .name" lines of printable
/// ASCII are labels, kept as they stand, blanks at the end aside; "break ADDR"
/// lines (hex without '$', in any case, with an optional "if CONDITION" after
/// it) are breakpoints; every other line that is not blank, a "break" without a
/// valid address among them, is skipped.
ViceSymbols ParseViceSymbols(const std::string& text);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_EMULATOR_VICE_SYMBOLS_H_
