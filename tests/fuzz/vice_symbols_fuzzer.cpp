// ParseViceSymbols on arbitrary text, as a symbol file may hold it: every
// line is counted once at most, each breakpoint names a line that says
// "break" with its address, and each label is one line of printable ASCII,
// as VICE's text monitor is sent it.
#include <cstdint>
#include <string>

#include "emulator/vice_symbols.h"
#include "fuzz_check.h"

namespace brackwin = quennet::brackwin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const brackwin::ViceSymbols symbols = brackwin::ParseViceSymbols(text);
  int lines = 0;
  for (std::size_t at = 0; at < text.size(); ++lines) {
    const std::size_t end = text.find('\n', at);
    at = end == std::string::npos ? text.size() : end + 1;
  }
  FUZZ_CHECK(static_cast<int>(symbols.labels.size()) + symbols.skipped +
                 static_cast<int>(symbols.breakpoints.size()) <=
             lines);
  for (const std::string& label : symbols.labels) {
    for (const char c : label) FUZZ_CHECK(c >= 0x20 && c <= 0x7e);
  }
  int previous = 0;
  for (const brackwin::Breakpoint& breakpoint : symbols.breakpoints) {
    FUZZ_CHECK(breakpoint.line > previous && breakpoint.line <= lines);
    previous = breakpoint.line;
    FUZZ_CHECK(breakpoint.condition.find('\n') == std::string::npos);
  }
  return 0;
}
