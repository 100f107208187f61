#include "app/application.h"

#include "app/assembler_command.h"
#include "app/setup_check.h"
#include "app/switches.h"
#include "app/version.h"
#include "cmdline/command_line.h"
#include "shared/shell_quote.h"

namespace quennet::brackwin {
namespace {

// Whether `token` asks for the usage text.
bool IsHelp(const char* token) {
  return CompareNoCase(token, "-h") == 0 ||
         CompareNoCase(token, "--help") == 0 || CompareNoCase(token, "/?") == 0;
}

bool IsVersion(const char* token) {
  return CompareNoCase(token, "--version") == 0;
}

bool IsCheck(const char* token) { return CompareNoCase(token, "--check") == 0; }

}  // namespace

Application::Application(Platform& platform, Sockets& sockets,
                         WindowRoute& windows)
    : Application(platform, sockets, windows, console_) {}

Application::Application(Platform& platform, Sockets& sockets,
                         WindowRoute& windows, DebugOutput& output)
    : platform_(platform),
      sockets_(sockets),
      windows_(windows),
      output(output) {}

int Application::Execute() {
  started_ = platform_.Now();
  if (!ParseArguments()) return -1;
  switch (mode_) {
    case RunMode::kHelp:
      output.Print(kUsageLine);
      output.Print(UsageDetails(platform_.DescribeDocumentation()).c_str());
      return 0;
    case RunMode::kVersion:
      output.Message("brackwin %s\n", kVersion);
      return 0;
    case RunMode::kCheck:
      if (!ReadMonitorAddress()) return -1;
      return CheckSetup(platform_, sockets_, windows_, monitor_, text_monitor_,
                        output);
    case RunMode::kRun:
      break;
  }
  SetAssemblerPath();

  if (run) {
    // A program that cannot be launched is not worth assembling.
    if (!DerivePaths(sourceFile, platform_.GetPathLimits().assembles_beyond
                                     ? "; -c still assembles it"
                                     : "")) {
      return -1;
    }
    if (useRunningEmulator && !ReadMonitorAddress()) return -1;
    program_existed_ = platform_.GetFileState(paths_.program, &program_before_);
    if (debug_) {
      symbols_existed_ =
          platform_.GetFileState(SymbolFile(paths_.program), &symbols_before_);
    }
  }

  int status = 0;
  if (compile || run) {
    // Before the assembler, whose own message follows if it fails.
    WarnAboutSetup(platform_, output);
    status = Assemble(sourceFile) ? 0 : -1;
  }
  // A failed assembly leaves no new program behind, so launching would run a
  // stale one while reporting success: the failure stands instead.
  if (run && status == 0) {
    status = Launch(sourceFile, useRunningEmulator) ? 0 : -1;
  }
  return status;
}

bool Application::ParseArguments() {
  ProcessCommandLine process;
  if (!platform_.ReadCommandLine(&process)) {
    output.Error(
        "the command line holds characters outside code page %u: rename the "
        "file, or turn on Windows' UTF-8 option for worldwide language "
        "support\n",
        platform_.GetAnsiCodePage());
    return false;
  }
  const CommandLine line =
      process.split ? CommandLine(process.arguments) : CommandLine(process.raw);
  // Started with no arguments on a console of its own (a double click),
  // whose window would close before anything printed could be read.
  if (line.GetArgs().size() == 1 && platform_.CountConsoleProcesses() == 1) {
    platform_.ShowMessageBox(
        "brackwin assembles a Commodore 64 program with KickAssembler and "
        "hands it to the VICE emulator.\n\nIt is a console tool: run it in "
        "cmd, for example\n    brackwin -f demo.asm -r -e\nor as the build "
        "command of your editor.\n\nREADME.txt, in the folder of "
        "brackwin.exe, says how to set it up.");
  }

  // A help or version token asks for that text, except as the value of -f:
  // then it is a file name like any other.
  // Only the first -f has a value, as FindOption reads it.
  const std::vector<const char*>& args = line.GetArgs();
  std::size_t value_of_f = 0;
  for (std::size_t i = 1; i < args.size() && value_of_f == 0; ++i) {
    if (CompareNoCase(args[i], "-f") == 0) value_of_f = i + 1;
  }
  // Help wins over the version, and both over --check.
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (i == value_of_f) continue;
    const RunMode asked = IsHelp(args[i])      ? RunMode::kHelp
                          : IsVersion(args[i]) ? RunMode::kVersion
                          : IsCheck(args[i])   ? RunMode::kCheck
                                               : RunMode::kRun;
    if (asked > mode_) mode_ = asked;
  }
  if (mode_ != RunMode::kRun) return true;

  // Only the presence of these switches counts; their values are ignored.
  std::string ignored_c, ignored_r, ignored_e;
  if (FindOption(line, "-c", &ignored_c)) compile = true;
  if (FindOption(line, "-r", &ignored_r)) run = true;
  if (FindOption(line, "-e", &ignored_e)) useRunningEmulator = true;
  std::string ignored_d, ignored_q;
  if (FindOption(line, "-d", &ignored_d)) debug_ = true;
  if (FindOption(line, "-q", &ignored_q)) quick_ = true;

  // Other tokens are ignored, but not in silence: a switch-like token (a
  // typo), or a name that -f did not take (-f forgotten, or a name with
  // spaces cut short by the missing quotes).
  const bool windows = platform_.GetCommandSyntax() == CommandSyntax::kWindows;
  std::string warnings, meant, named_file;
  std::vector<std::size_t> words;  // Tokens that no switch takes.
  for (std::size_t i = 1; i < args.size(); ++i) {
    const char* token = args[i];
    if (i == value_of_f || token[0] == '\0' || IsSwitch(token)) continue;
    const bool switch_like = token[0] == '-' || (windows && token[0] == '/');
    // A switch takes the token after it as its value, used (the first -f)
    // or not: such a token is no leftover.
    if (!switch_like && !IsSwitch(args[i - 1])) words.push_back(i);
    if (platform_.FileExists(token)) {
      if (named_file.empty()) named_file = token;
      continue;
    }
    if (!switch_like) continue;
    const std::string spelled = MeantSwitches(token, windows);
    warnings += "warning: ignored: " + std::string(token) +
                (spelled.empty() ? " (the switches are " + ListSwitches()
                                 : " (write " + spelled) +
                ")\n";
    meant += " " + spelled;
  }

  std::string file;
  FindOption(line, "-f", &file);
  if (file.empty()) {
    output.Error("no filename specified\n");
    if (!named_file.empty()) {
      // The command as it was meant, in the user's shell's quoting.
      std::string command =
          "brackwin -f " +
          (windows ? "\"" + named_file + "\"" : QuotePosixWord(named_file));
      for (const char* name : {"-c", "-r", "-e", "-d", "-q"}) {
        std::string value;
        if (FindOption(line, name, &value) ||
            meant.find(name) != std::string::npos) {
          command += std::string(" ") + name;
        }
      }
      output.Message("did you mean: %s\n", command.c_str());
    }
    output.Print(warnings.c_str());
    output.Print(kUsageLine);
    return false;
  }
  sourceFile = file;
  if (!words.empty())
    warnings = IgnoredWords(args, value_of_f, words) + warnings;
  if (!run && !compile) {
    output.Error(
        "nothing to do: add -c to assemble, or -r to assemble and run "
        "(brackwin -h for help)\n");
    output.Print(warnings.c_str());
    return false;
  }
  // -q changes only how -r -e starts the program.
  if (quick_ && !run) warnings += "warning: ignored: -q (it needs -r -e)\n";
  output.Print(warnings.c_str());
  return true;
}

std::string Application::IgnoredWords(
    const std::vector<const char*>& args, std::size_t value_of_f,
    const std::vector<std::size_t>& words) const {
  std::string text = "warning: ignored:", name = args[value_of_f];
  // Those right after the -f value are most likely the rest of its name.
  std::size_t next = value_of_f + 1;
  for (const std::size_t index : words) {
    text += std::string(" ") + args[index];
    if (index == next) {
      name += std::string(" ") + args[index];
      ++next;
    }
  }
  if (next > value_of_f + 1) {
    text +=
        platform_.GetCommandSyntax() == CommandSyntax::kWindows
            ? " (a name with spaces needs double quotes: -f \"" + name + "\")"
            : " (a name with spaces needs quotes: -f " + QuotePosixWord(name) +
                  ")";
  }
  return text + "\n";
}

bool Application::DerivePaths(const std::string& source, const char* hint) {
  if (!paths_source_.empty() && paths_source_ == source) return true;
  const PathLimits limits = platform_.GetPathLimits();
  if (!DeriveLaunchPaths(source, platform_.GetLeadBytes(), limits, &paths_)) {
    output.Error(
        "path too long: %s can be launched%s\n",
        CheckPathParts(source, platform_.GetLeadBytes(), limits).c_str(), hint);
    return false;
  }
  paths_source_ = source;
  return true;
}

bool Application::ReadMonitorAddress() {
  // The monitor is sent the program's path, so nothing but this machine's
  // loopback is taken.
  const struct {
    const char* name;
    MonitorAddress* monitor;
    const char* sent;
  } kMonitors[] = {{"BRACKWIN_MONITOR", &monitor_, "the program"},
                   {"BRACKWIN_TEXT_MONITOR", &text_monitor_, "the labels"}};
  for (const auto& [name, monitor, sent] : kMonitors) {
    std::string address;
    if (platform_.GetEnvironment(name, &address) != EnvironmentLookup::kSet ||
        address.empty() || ParseMonitorAddress(address, monitor)) {
      continue;
    }
    output.Error(
        "%s=%s is not a loopback address in VICE's forms (127.0.0.1:6510, "
        "ip4://127.0.0.1:6510): %s would be sent to whatever listens "
        "there\n",
        name, address.c_str(), sent);
    return false;
  }
  return true;
}

bool Application::WrittenByThisBuild(const std::string& file, bool existed,
                                     const FileState& before) {
  constexpr std::int64_t kTimeStep = 2000;  // FAT's, the coarsest.
  FileState now;
  if (!platform_.GetFileState(file, &now)) return true;
  if (!existed) return true;
  // Changed: the assembler wrote it, whatever the clock of its file system
  // (a file server's) says.
  if (now.written != before.written || now.size != before.size) return true;
  const std::int64_t ended = platform_.Now();
  return now.written >= started_ - kTimeStep &&
         now.written <= ended + kTimeStep;
}

void Application::SetAssemblerPath() { assemblerPath = "%KICKASS_PATH%"; }

bool Application::Assemble(const std::string& source) {
  const CommandSyntax syntax = platform_.GetCommandSyntax();
  if (!IsQuotableSource(syntax, source)) {
    output.Error("invalid filename: %s\n", source.c_str());
    return false;
  }
  std::string java = "java";
  if (syntax == CommandSyntax::kWindows) {
    // cmd.exe replaces %NAME% even inside quotes, and nothing escapes it
    // there: java would assemble another file, named by the variable.
    const std::string reference =
        FindExpandedReference(source, [this](const std::string& name) {
          std::string value;
          return platform_.GetEnvironment(name, &value) !=
                 EnvironmentLookup::kUnset;
        });
    if (!reference.empty()) {
      output.Error(
          "invalid filename: cmd.exe would replace %s in it; rename the "
          "file\n",
          reference.c_str());
      return false;
    }
    // cmd.exe looks a bare name up in the current folder first, where any
    // project could put a java.bat; the one on the PATH runs instead, by its
    // full path. Without one, the bare name stays, and the platform keeps
    // cmd.exe from the current folder.
    std::string found;
    if (platform_.FindProgram("java", &found)) java = found;
  }
  const std::string command = BuildAssemblerCommand(
      syntax, java, platform_.ResolveAssemblerPath(assemblerPath), source,
      debug_);
  return platform_.RunCommand(command) == 0;
}

}  // namespace quennet::brackwin
