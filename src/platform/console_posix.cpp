#include <cstdio>

#include "platform/console.h"

namespace quennet::brackwin {

// A POSIX terminal shows the bytes in the locale's encoding, as the names
// are: they go out unchanged.
void WriteStandardOutput(const char* text) { std::fputs(text, stdout); }

}  // namespace quennet::brackwin
