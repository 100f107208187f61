#ifndef BRACKWIN_APP_SWITCHES_H_
#define BRACKWIN_APP_SWITCHES_H_

#include <string>

namespace quennet::brackwin {

/// The first line of the usage, which also follows "no filename specified".
inline constexpr char kUsageLine[] =
    "usage: brackwin -f SOURCE [-c] [-r [-e]] [-d] [-q] | --check\n";

/// The usage after its first line: a line for each switch, then what the
/// tool needs; `documentation` says where to read more ("the README").
std::string UsageDetails(const std::string& documentation);

/// Whether `token` is one of the tool's switches, in any case.
bool IsSwitch(const char* token);

/// The switches, for a message: "-f, -c, -r, -e, -h, --version".
std::string ListSwitches();

/// The switches that a token spells which looks like one and is none: "-r
/// -e" for "-re" and "-r-e", "-c" for "/c" where `slash_prefix` (Windows)
/// lets a switch begin with '/', "-f demo.asm" for "-f=demo.asm" and
/// "-fdemo.asm"; empty when it spells none.
std::string MeantSwitches(const char* token, bool slash_prefix);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_APP_SWITCHES_H_
