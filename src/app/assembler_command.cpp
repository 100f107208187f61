#include "app/assembler_command.h"

namespace quennet::brackwin {
namespace {

// Double quotes for cmd.exe and for the runtime that splits java's command
// line. Inside them cmd.exe takes & | < > ^ ( ) literally; only %NAME% is
// still expanded. Backslashes before the closing quote are doubled, or the
// runtime would read the last one as escaping the quote.
std::string QuoteWindowsWord(const std::string& word) {
  std::size_t trailing_backslashes = 0;
  while (trailing_backslashes < word.size() &&
         word[word.size() - 1 - trailing_backslashes] == '\\') {
    ++trailing_backslashes;
  }
  std::string quoted = "\"" + word;
  quoted.append(trailing_backslashes, '\\');
  quoted += '"';
  return quoted;
}

std::string QuoteWord(CommandSyntax syntax, const std::string& word) {
  return syntax == CommandSyntax::kWindows ? QuoteWindowsWord(word)
                                           : QuotePosixWord(word);
}

}  // namespace

bool IsQuotableSource(CommandSyntax syntax, const std::string& source) {
  if (syntax == CommandSyntax::kPosix) return true;
  for (const char c : source) {
    if (c == '"' || static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

std::string QuotePosixWord(const std::string& word) {
  std::string quoted = "'";
  for (const char c : word) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  quoted += '\'';
  return quoted;
}

std::string BuildAssemblerCommand(CommandSyntax syntax,
                                  const std::string& assembler_path,
                                  const std::string& source) {
  return "java -Xms256m -Xmx512m -jar " +
         QuoteWord(syntax, assembler_path + kAssemblerArchive) + " " +
         QuoteWord(syntax, source) + " -showmem -afo";
}

}  // namespace quennet::brackwin
