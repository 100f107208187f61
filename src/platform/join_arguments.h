#ifndef BRACKWIN_PLATFORM_JOIN_ARGUMENTS_H_
#define BRACKWIN_PLATFORM_JOIN_ARGUMENTS_H_

#include <string>

namespace quennet::brackwin {

/// Makes a raw command line from an argument vector, for platforms that have
/// none: the arguments joined with single spaces, each one that is empty,
/// holds white space or begins with a double quote wrapped in double quotes.
/// CommandLine then gives back every argument that does not hold a double
/// quote followed by white space.
std::string JoinArguments(int argc, const char* const* argv);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_PLATFORM_JOIN_ARGUMENTS_H_
