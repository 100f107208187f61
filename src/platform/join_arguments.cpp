#include "platform/join_arguments.h"

#include <cstring>

namespace quennet::brackwin {
namespace {

bool NeedsQuotes(const char* argument) {
  return argument[0] == '\0' || argument[0] == '"' ||
         std::strpbrk(argument, " \t\n\v\f\r") != nullptr;
}

}  // namespace

std::string JoinArguments(int argc, const char* const* argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (i > 0) line += ' ';
    if (NeedsQuotes(argv[i])) {
      line += '"';
      line += argv[i];
      line += '"';
    } else {
      line += argv[i];
    }
  }
  return line;
}

}  // namespace quennet::brackwin
