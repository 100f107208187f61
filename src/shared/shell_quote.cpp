#include "shared/shell_quote.h"

namespace quennet::brackwin {

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

}  // namespace quennet::brackwin
