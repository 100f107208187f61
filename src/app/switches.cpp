#include "app/switches.h"

#include <cctype>
#include <cstring>

#include "cmdline/command_line.h"

namespace quennet::brackwin {
namespace {

// Every switch, in the order of the usage; help's other spellings last.
struct Switch {
  const char* name;
  const char* argument;
  const char* help;  // Null: not listed on a line of its own.
};
constexpr Switch kSwitches[] = {
    {"-f", "SOURCE", "the assembly source (required)"},
    {"-c", "", "assemble"},
    {"-r", "", "assemble, then open the program (SOURCE with .prg)"},
    {"-e", "", "with -r: hand it to the VICE that is already running"},
    {"-d", "", "debug run: the source's breakpoints and labels into VICE"},
    {"-q", "", "with -r -e: into the running C64 without a reset"},
    {"--check", "", "say what -r -e needs, and what is missing"},
    {"-h", "", "print this help (also --help, /?)"},
    {"--version", "", "print the version"},
    {"--help", "", nullptr},
    {"/?", "", nullptr},
};
constexpr int kUsageColumn = 11;

// The single-letter switch `letter`, or null.
const char* LetterSwitch(char letter) {
  for (const Switch& s : kSwitches) {
    if (s.name[0] == '-' && s.name[2] == '\0' &&
        std::tolower(static_cast<unsigned char>(letter)) == s.name[1]) {
      return s.name;
    }
  }
  return nullptr;
}

}  // namespace

std::string UsageDetails(const std::string& documentation) {
  std::string text =
      "Assembles SOURCE with KickAssembler and hands the program to VICE.\n";
  for (const Switch& s : kSwitches) {
    if (s.help == nullptr) continue;
    std::string left =
        std::string(s.name) + (s.argument[0] != '\0' ? " " : "") + s.argument;
    left.resize(kUsageColumn, ' ');
    text += "  " + left + s.help + "\n";
  }
  return text +
         "-q keeps what the program does not set: the zero page, "
         "$0200-$03FF,\nthe VIC's bank ($DD00) and memory setup ($D018), the "
         "VIC's and SID's\nother registers; leave it off when the program "
         "needs a fresh machine.\n"
         "Needs java on the PATH and KICKASS_PATH set to the folder that "
         "holds\nKickAss.jar. Exit status: 0 on success, -1 (255) on any "
         "failure.\nSee " +
         documentation + ": First run, Troubleshooting.\n";
}

bool IsSwitch(const char* token) {
  for (const Switch& s : kSwitches) {
    if (CompareNoCase(token, s.name) == 0) return true;
  }
  return false;
}

std::string ListSwitches() {
  std::string list;
  for (const Switch& s : kSwitches) {
    if (s.help == nullptr) continue;
    if (!list.empty()) list += ", ";
    list += s.name;
  }
  return list;
}

std::string MeantSwitches(const char* token, bool slash_prefix) {
  if (token[0] != '-' && !(slash_prefix && token[0] == '/')) return "";
  if (token[1] == '\0') return "";
  std::string meant;
  for (const char* letter = token + 1; *letter != '\0'; ++letter) {
    // A dash between two letters, as in "-r-e".
    if (*letter == '-' && letter > token + 1 && letter[-1] != '-' &&
        letter[1] != '\0') {
      continue;
    }
    const char* name = LetterSwitch(*letter);
    if (name == nullptr) {
      meant.clear();
      break;
    }
    if (meant.find(name) != std::string::npos) continue;
    if (!meant.empty()) meant += ' ';
    meant += name;
  }
  if (!meant.empty()) return meant;
  // A name glued to -f: "-f=demo.asm", "-fdemo.asm".
  if (std::tolower(static_cast<unsigned char>(token[1])) == 'f') {
    const char* name = token + 2 + (token[2] == '=');
    if (*name != '\0') return std::string("-f ") + name;
  }
  return "";
}

}  // namespace quennet::brackwin
