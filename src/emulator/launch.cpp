#include <cctype>
#include <cstring>

#include "app/application.h"
#include "emulator/binary_monitor.h"
#include "emulator/hand_off.h"
#include "emulator/hand_off_chain.h"
#include "emulator/quick_program.h"
#include "emulator/vice_symbols.h"
#include "paths/path_parts.h"

namespace quennet::brackwin {

std::string Application::DescribeMovedOutput() {
  // The assembler reads its own defaults from KickAss.cfg beside
  // KickAss.jar; an output folder or file set there moves the program.
  std::string folder, settings;
  if (platform_.GetEnvironment("KICKASS_PATH", &folder) !=
          EnvironmentLookup::kSet ||
      !platform_.ReadTextFile(folder + "/KickAss.cfg", 65536, &settings)) {
    return "";
  }
  for (const char* option : {"-odir", "-o"}) {
    for (std::size_t at = settings.find(option); at != std::string::npos;
         at = settings.find(option, at + 1)) {
      const std::size_t end = at + std::strlen(option);
      const bool starts =
          at == 0 ||
          std::isspace(static_cast<unsigned char>(settings[at - 1])) != 0;
      const bool ends =
          end == settings.size() ||
          std::isspace(static_cast<unsigned char>(settings[end])) != 0;
      if (starts && ends) {
        return std::string("(KickAss.cfg in KICKASS_PATH sets ") + option +
               ", which writes the program elsewhere)";
      }
    }
  }
  return "";
}

bool Application::ReadQuick(QuickProgram* quick) {
  // One byte more than the largest program, to tell a larger one.
  constexpr std::size_t kLargest = 2 + 0x10000 + 1;
  std::string bytes;
  if (!platform_.ReadTextFile(paths_.program, kLargest, &bytes)) {
    output.Warning(
        "warning: %s cannot be read; it is not loaded without a "
        "reset\n",
        paths_.program.c_str());
    return false;
  }
  const QuickCheck check = ReadQuickProgram(
      std::vector<unsigned char>(bytes.begin(), bytes.end()), quick);
  if (check == QuickCheck::kReady) return true;
  output.Warning("warning: %s is not loaded without a reset: %s\n",
                 paths_.program.c_str(), DescribeQuickCheck(check).c_str());
  return false;
}

bool Application::ReadSymbols(const std::string& program,
                              ViceSymbols* symbols) {
  const std::string file = SymbolFile(program);
  std::string text;
  if (!platform_.FileExists(file) ||
      !WrittenByThisBuild(file, symbols_existed_, symbols_before_) ||
      !platform_.ReadTextFile(file, 1 << 20, &text)) {
    output.Warning(
        "warning: this build wrote no %s, so no breakpoints are set\n",
        file.c_str());
    return false;
  }
  *symbols = ParseViceSymbols(text);
  if (symbols->skipped == 1) {
    output.Warning(
        "warning: 1 line of %s was skipped: neither a label (al) nor a "
        "breakpoint (break)\n",
        file.c_str());
  } else if (symbols->skipped > 1) {
    output.Warning(
        "warning: %d lines of %s were skipped: neither labels (al) nor "
        "breakpoints (break)\n",
        symbols->skipped, file.c_str());
  }
  return true;
}

bool Application::Launch(const std::string& source, bool use_running_emulator) {
  if (!DerivePaths(source, "")) return false;
  const char* program = paths_.program.c_str();
  // Every route hands on a file by name; one that is not there would reach
  // the emulator as an error, or nowhere, while we reported success.
  if (!platform_.FileExists(paths_.program)) {
    const std::string moved = DescribeMovedOutput();
    output.Error("program not found: %s%s%s\n", program,
                 moved.empty() ? "" : " ", moved.c_str());
    return false;
  }
  // A source that names its own output leaves the .prg of an earlier build
  // here, which would run as if it were this one.
  if (!WrittenByThisBuild(paths_.program)) {
    const std::string moved = DescribeMovedOutput();
    output.Error("%s was not written by this build %s\n", program,
                 moved.empty() ? "(does the source write another file?)"
                               : moved.c_str());
    return false;
  }
  // A debug run's breakpoints and labels, which only VICE's monitors take.
  ViceSymbols symbols;
  MonitorRequests requests;
  requests.text_monitor = text_monitor_;
  if (debug_ && ReadSymbols(paths_.program, &symbols)) {
    requests.breakpoints = &symbols.breakpoints;
    requests.labels = &symbols.labels;
  }
  QuickProgram quick;
  if (quick_ && ReadQuick(&quick)) requests.quick = &quick;
  HandOffChain chain(platform_, sockets_, windows_, output);
  return chain.Run(paths_, use_running_emulator, monitor_, requests);
}

}  // namespace quennet::brackwin
