#include "cmdline/command_line.h"

#include <cstring>

namespace quennet::brackwin {
namespace {

// The bytes that isspace accepts in the "C" locale. Tested here directly so
// that the result never depends on a locale.
bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

int FoldCase(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c;
}

}  // namespace

CommandLine::CommandLine(const std::string& raw_line)
    : buffer_(new char[raw_line.size() + 1]) {
  std::memcpy(buffer_.get(), raw_line.c_str(), raw_line.size() + 1);

  char* p = buffer_.get();
  while (*p != '\0') {
    while (IsSpace(*p)) ++p;
    const bool quoted = *p == '"';
    if (quoted) ++p;
    args_.push_back(p);
    if (quoted) {
      while (*p != '\0' && !(*p == '"' && (p[1] == '\0' || IsSpace(p[1])))) {
        ++p;
      }
      if (*p == '"') {
        *p = '\0';
        // Step over the terminator and the one separator after it.
        if (p[1] != '\0') p += 2;
      }
    } else {
      while (*p != '\0' && !IsSpace(*p)) ++p;
      if (*p != '\0') *p++ = '\0';
    }
    // Trailing white space is not skipped before this test, so a line that
    // ends in two or more blanks gives one more, empty, token.
  }
}

CommandLine::CommandLine(const std::vector<std::string>& arguments) {
  std::size_t size = 0;
  for (const std::string& argument : arguments) size += argument.size() + 1;
  buffer_.reset(new char[size + 1]);
  char* p = buffer_.get();
  for (const std::string& argument : arguments) {
    std::memcpy(p, argument.c_str(), argument.size() + 1);
    args_.push_back(p);
    p += argument.size() + 1;
  }
  *p = '\0';
}

CommandLine::~CommandLine() { buffer_.reset(); }

bool FindOption(const CommandLine& line, const char* name, std::string* value) {
  const std::vector<const char*>& args = line.GetArgs();
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (CompareNoCase(args[i], name) == 0) {
      *value = i + 1 < args.size() ? args[i + 1] : "";
      return true;
    }
  }
  return false;
}

int CompareNoCase(const char* a, const char* b) {
  const auto* x = reinterpret_cast<const unsigned char*>(a);
  const auto* y = reinterpret_cast<const unsigned char*>(b);
  for (;; ++x, ++y) {
    const int difference = FoldCase(*x) - FoldCase(*y);
    if (difference != 0 || *x == '\0') return difference;
  }
}

}  // namespace quennet::brackwin
