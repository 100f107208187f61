#include "app/assembler_command.h"

#include "cmdline/command_line.h"
#include "shared/shell_quote.h"

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

std::string FindExpandedReference(
    const std::string& source,
    const std::function<bool(const std::string&)>& is_set) {
  // The variables cmd.exe will have whatever our environment holds now:
  // those it makes up itself, PROMPT, which it sets where it is unset, and
  // the one the platform sets just before it starts cmd.exe.
  static const char* const kDynamic[] = {
      "CD",         "DATE",
      "TIME",       "RANDOM",
      "ERRORLEVEL", "CMDEXTVERSION",
      "CMDCMDLINE", "HIGHESTNUMANODENUMBER",
      "__CD__",     "__APPDIR__",
      "PROMPT",     "NoDefaultCurrentDirectoryInExePath"};
  // Each '%' may open a pair: one that names nothing is left as it is, and
  // its closing '%' may open the next.
  for (std::size_t open = source.find('%'); open != std::string::npos;) {
    const std::size_t close = source.find('%', open + 1);
    if (close == std::string::npos) break;
    const std::string inside = source.substr(open + 1, close - open - 1);
    const std::string name = inside.substr(0, inside.find(':'));
    bool replaced = !name.empty() && is_set(name);
    for (const char* dynamic : kDynamic) {
      replaced = replaced ||
                 (!name.empty() && CompareNoCase(name.c_str(), dynamic) == 0);
    }
    if (replaced) return source.substr(open, close - open + 1);
    open = close;
  }
  return "";
}

std::string BuildAssemblerCommand(CommandSyntax syntax, const std::string& java,
                                  const std::string& assembler_path,
                                  const std::string& source,
                                  bool vice_symbols) {
  const std::string command =
      (java == "java" ? java : QuoteWord(syntax, java)) +
      " -Xms256m -Xmx512m -jar " +
      QuoteWord(syntax, assembler_path + kAssemblerArchive) + " " +
      QuoteWord(syntax, source) + " -showmem -afo" +
      (vice_symbols ? " -vicesymbols" : "");
  if (syntax == CommandSyntax::kWindows && command[0] == '"') {
    return "\"" + command + "\"";
  }
  return command;
}

}  // namespace quennet::brackwin
