// The tokeniser, FindOption and CompareNoCase on arbitrary bytes.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "cmdline/command_line.h"
#include "fuzz_check.h"

namespace brackwin = quennet::brackwin;

namespace {

int Sign(int value) { return (value > 0) - (value < 0); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  // The raw line is a C string: it ends at the first NUL.
  const std::string line(reinterpret_cast<const char*>(data),
                         strnlen(reinterpret_cast<const char*>(data), size));
  const brackwin::CommandLine command_line(line);
  const std::vector<const char*>& args = command_line.GetArgs();

  std::size_t total = 0;
  for (const char* arg : args) total += std::strlen(arg);
  FUZZ_CHECK(total <= line.size());

  // FindOption takes the token after the first match, or "".
  for (const char* name : {"-f", "-c", "-r", "-e"}) {
    std::string value = "\x01unchanged";
    const bool found = brackwin::FindOption(command_line, name, &value);
    std::size_t i = 0;
    while (i < args.size() && brackwin::CompareNoCase(args[i], name) != 0) ++i;
    FUZZ_CHECK(found == (i < args.size()));
    if (!found) {
      FUZZ_CHECK(value == "\x01unchanged");
    } else {
      FUZZ_CHECK(value == (i + 1 < args.size() ? args[i + 1] : ""));
    }
  }

  // CompareNoCase is an order: reflexive and antisymmetric.
  for (std::size_t i = 0; i + 1 < args.size() && i < 16; ++i) {
    FUZZ_CHECK(brackwin::CompareNoCase(args[i], args[i]) == 0);
    FUZZ_CHECK(Sign(brackwin::CompareNoCase(args[i], args[i + 1])) ==
               -Sign(brackwin::CompareNoCase(args[i + 1], args[i])));
  }

  // The tokens, taken as an argument vector, come back unchanged.
  const brackwin::CommandLine again(
      std::vector<std::string>(args.begin(), args.end()));
  FUZZ_CHECK(again.GetArgs().size() == args.size());
  for (std::size_t i = 0; i < args.size(); ++i) {
    FUZZ_CHECK(std::strcmp(again.GetArgs()[i], args[i]) == 0);
  }
  return 0;
}
