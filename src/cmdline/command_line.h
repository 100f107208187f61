#ifndef BRACKWIN_CMDLINE_COMMAND_LINE_H_
#define BRACKWIN_CMDLINE_COMMAND_LINE_H_

#include <memory>
#include <string>
#include <vector>

namespace quennet::brackwin {

/// A process command line split into tokens: a raw line split by the rules
/// below, or an argument vector taken as it is.
///
/// Tokens are separated by white space (space, \t, \n, \v, \f, \r). A token
/// that begins with a double quote is quoted: it runs up to the next quote
/// that is followed by white space or the end of the line, or to the end of
/// the line. Any other quote is an ordinary byte, and there is no escape
/// character. Token 0 is the program's own path.
///
/// The tokens point into a private copy of the line, so they stay valid
/// exactly as long as the CommandLine.
class CommandLine {
 public:
  /// Copies and tokenises `raw_line`.
  explicit CommandLine(const std::string& raw_line);
  /// Takes `arguments`, split already, as the tokens, each exactly as it is.
  explicit CommandLine(const std::vector<std::string>& arguments);
  virtual ~CommandLine();

  CommandLine(const CommandLine&) = delete;
  CommandLine& operator=(const CommandLine&) = delete;

  /// The tokens in command-line order.
  const std::vector<const char*>& GetArgs() const { return args_; }

 private:
  std::unique_ptr<char[]> buffer_;
  std::vector<const char*> args_;
};

/// Looks for the first token that equals `name` (CompareNoCase). When found,
/// stores the token after it in `value` (empty when there is none, and
/// whatever the token looks like) and returns true. Otherwise leaves `value`
/// unchanged and returns false.
bool FindOption(const CommandLine& line, const char* name, std::string* value);

/// Compares byte by byte, folding only A-Z onto a-z; every other byte, those
/// from 0x80 up included, matches only itself. Returns the difference of the
/// first differing (folded, unsigned) bytes, or 0 when the strings are equal.
int CompareNoCase(const char* a, const char* b);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_CMDLINE_COMMAND_LINE_H_
