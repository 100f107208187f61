// The POSIX quoting of the assembler command: for any bytes without NUL, a
// shell reads the quoted word back as exactly those bytes. Checked against a
// small reference parser of shell words.
#include <cstdint>
#include <cstring>
#include <string>

#include "app/assembler_command.h"
#include "fuzz_check.h"
#include "shared/shell_quote.h"

namespace brackwin = quennet::brackwin;

namespace {

// Reads one shell word of `text` as POSIX sh does: single quotes take every
// byte literally up to the next single quote, a backslash outside quotes
// takes the next byte literally, and an unquoted blank, newline or operator
// ends the word. Returns false when `text` is not exactly one such word.
bool ParseShellWord(const std::string& text, std::string* word) {
  word->clear();
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\'') {
      const std::size_t end = text.find('\'', i + 1);
      if (end == std::string::npos) return false;  // Unterminated.
      word->append(text, i + 1, end - i - 1);
      i = end + 1;
    } else if (c == '\\') {
      if (i + 1 >= text.size()) return false;
      *word += text[i + 1];
      i += 2;
    } else if (std::strchr(" \t\n;&|<>()$`\"*?[#~=%", c) != nullptr) {
      // Anything that would end the word or be expanded: not allowed bare.
      return false;
    } else {
      *word += c;
      ++i;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data),
                          strnlen(reinterpret_cast<const char*>(data), size));
  const std::string quoted = brackwin::QuotePosixWord(bytes);
  std::string parsed;
  FUZZ_CHECK(ParseShellWord(quoted, &parsed));
  FUZZ_CHECK(parsed == bytes);

  // In the whole command the source is one word too: the text after the
  // archive's word and before " -showmem -afo".
  const std::string command = brackwin::BuildAssemblerCommand(
      brackwin::CommandSyntax::kPosix, "java", bytes, bytes);
  const std::string prefix = "java -Xms256m -Xmx512m -jar ";
  const std::string suffix = " -showmem -afo";
  FUZZ_CHECK(command.compare(0, prefix.size(), prefix) == 0);
  const std::string archive = brackwin::QuotePosixWord(bytes + "/KickAss.jar");
  FUZZ_CHECK(command == prefix + archive + " " + quoted + suffix);
  return 0;
}
