#ifndef BRACKWIN_SHARED_SHELL_QUOTE_H_
#define BRACKWIN_SHARED_SHELL_QUOTE_H_

#include <string>

namespace quennet::brackwin {

/// Quotes `word` for /bin/sh: single quotes, each embedded quote as '\''.
std::string QuotePosixWord(const std::string& word);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_SHARED_SHELL_QUOTE_H_
