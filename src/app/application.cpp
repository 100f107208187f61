#include "app/application.h"

#include <chrono>

#include "app/assembler_command.h"
#include "app/setup_check.h"
#include "app/version.h"
#include "cmdline/command_line.h"

namespace quennet::brackwin {
namespace {

// The usage: its first line, which also follows "no filename specified",
// then the rest.
constexpr char kUsageLine[] = "usage: brackwin -f SOURCE [-c] [-r [-e]]\n";
constexpr char kUsageDetails[] =
    "Assembles SOURCE with KickAssembler and hands the program to VICE.\n"
    "  -f SOURCE  the assembly source (required)\n"
    "  -c         assemble\n"
    "  -r         assemble, then open the program (SOURCE with .prg)\n"
    "  -e         with -r: hand it to the VICE that is already running\n"
    "  --version  print the version\n"
    "Needs java on the PATH and KICKASS_PATH set to the folder that holds\n"
    "KickAss.jar. Exit status: 0 on success, -1 (255) on any failure.\n"
    "See the README: First run, Troubleshooting.\n";

// Whether `token` asks for the usage text.
bool IsHelp(const char* token) {
  return CompareNoCase(token, "-h") == 0 ||
         CompareNoCase(token, "--help") == 0 || CompareNoCase(token, "/?") == 0;
}

// The time in ms since 1970.
std::int64_t Now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

bool IsVersion(const char* token) {
  return CompareNoCase(token, "--version") == 0;
}

}  // namespace

Application::Application(Platform& platform, Sockets& sockets,
                         WindowRoute& windows)
    : platform_(platform), sockets_(sockets), windows_(windows) {}

int Application::Execute() {
  started_ = Now();
  if (!ParseArguments()) {
    if (help_) {
      output.Print(kUsageLine);
      output.Print(kUsageDetails);
    } else if (version_) {
      output.Message("brackwin %s\n", kVersion);
    } else {
      return -1;
    }
    return 0;
  }
  SetAssemblerPath();

  // A program that cannot be launched is not worth assembling for -r.
  const std::string too_long = CheckPathParts(
      sourceFile, platform_.GetLeadBytes(), platform_.GetPathLimits());
  if (run && !too_long.empty()) {
    output.Error("path too long: %s can be launched; -c still assembles it\n",
                 too_long.c_str());
    return -1;
  }
  LaunchPaths paths;
  if (run &&
      DeriveLaunchPaths(sourceFile, platform_.GetLeadBytes(),
                        platform_.GetPathLimits(), &paths) &&
      platform_.GetFileState(paths.program, &program_before_)) {
    program_existed_ = true;
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

  // A help or version token asks for that text, except as the value of -f:
  // then it is a file name like any other.
  // Only the first -f has a value, as FindOption reads it.
  const std::vector<const char*>& args = line.GetArgs();
  std::size_t value_of_f = 0;
  for (std::size_t i = 1; i < args.size() && value_of_f == 0; ++i) {
    if (CompareNoCase(args[i], "-f") == 0) value_of_f = i + 1;
  }
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (i == value_of_f) continue;
    if (IsHelp(args[i])) help_ = true;
    if (IsVersion(args[i])) version_ = true;
  }
  if (help_ || version_) return false;

  std::string file;
  FindOption(line, "-f", &file);
  if (file.empty()) {
    output.Error("no filename specified\n");
    output.Print(kUsageLine);
    return false;
  }
  sourceFile = file;

  // Only the presence of these switches counts; their values are ignored.
  std::string ignored_c, ignored_r, ignored_e;
  if (FindOption(line, "-c", &ignored_c)) compile = true;
  if (FindOption(line, "-r", &ignored_r)) run = true;
  if (FindOption(line, "-e", &ignored_e)) useRunningEmulator = true;
  if (!run && !compile) {
    output.Error(
        "nothing to do: add -c to assemble, or -r to assemble and run "
        "(brackwin -h for help)\n");
    return false;
  }
  return true;
}

bool Application::WrittenByThisBuild(const std::string& program) {
  constexpr std::int64_t kTimeStep = 2000;  // FAT's, the coarsest.
  FileState now;
  if (!platform_.GetFileState(program, &now)) return true;
  if (!program_existed_) return true;
  // Changed: the assembler wrote it, whatever the clock of its file system
  // (a file server's) says.
  if (now.written != program_before_.written ||
      now.size != program_before_.size) {
    return true;
  }
  const std::int64_t ended = Now();
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
      syntax, java, platform_.ResolveAssemblerPath(assemblerPath), source);
  return platform_.RunCommand(command) == 0;
}

}  // namespace quennet::brackwin
