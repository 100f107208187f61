#include "emulator/vice_symbols.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace quennet::brackwin {
namespace {

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)); }

// The next word of `line` from `at`, which moves past it and the blanks
// after it.
std::string NextWord(const std::string& line, std::size_t* at) {
  std::size_t start = *at;
  while (start < line.size() && IsBlank(line[start])) ++start;
  std::size_t end = start;
  while (end < line.size() && !IsBlank(line[end])) ++end;
  *at = end;
  while (*at < line.size() && IsBlank(line[*at])) ++*at;
  return line.substr(start, end - start);
}

// A 16-bit address of 1 to 4 hex digits.
bool ParseAddress(const std::string& word, std::uint16_t* address) {
  if (word.empty() || word.size() > 4) return false;
  for (const char c : word) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  *address =
      static_cast<std::uint16_t>(std::strtoul(word.c_str(), nullptr, 16));
  return true;
}

}  // namespace

std::string SymbolFile(const std::string& program) {
  return program.substr(0, program.size() - 4) + ".vs";
}

ViceSymbols ParseViceSymbols(const std::string& text) {
  ViceSymbols symbols;
  std::size_t start = 0;
  for (int number = 1; start < text.size(); ++number) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    while (!line.empty() && IsBlank(line.back())) line.pop_back();
    std::size_t at = 0;
    const std::string command = NextWord(line, &at);
    if (command.empty()) continue;
    if (command == "al") {
      // A label goes to VICE's text monitor as a command line of its own:
      // one with a control byte or a byte outside ASCII is not sent.
      const bool plain = std::all_of(line.begin(), line.end(), [](char c) {
        return c >= 0x20 && c <= 0x7e;
      });
      if (plain) {
        symbols.labels.push_back(line);
      } else {
        ++symbols.skipped;
      }
      continue;
    }
    Breakpoint breakpoint;
    if (command != "break" ||
        !ParseAddress(NextWord(line, &at), &breakpoint.address)) {
      ++symbols.skipped;
      continue;
    }
    const std::string rest = line.substr(at);
    if (!rest.empty()) {
      std::size_t after = 0;
      if (NextWord(rest, &after) != "if" || after == rest.size()) {
        ++symbols.skipped;
        continue;
      }
      breakpoint.condition = rest.substr(after);
    }
    breakpoint.line = number;
    symbols.breakpoints.push_back(breakpoint);
  }
  return symbols;
}

}  // namespace quennet::brackwin
