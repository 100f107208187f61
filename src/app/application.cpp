#include "app/application.h"

#include "app/assembler_command.h"
#include "cmdline/command_line.h"

namespace quennet::brackwin {

Application::Application(Platform& platform) : platform_(platform) {}

int Application::Execute() {
  if (!ParseArguments()) return -1;
  SetAssemblerPath();

  int status = 0;
  if (compile || run) status = Assemble(sourceFile) ? 0 : -1;
  // A failed assembly leaves no new program behind, so launching would run a
  // stale one while reporting success: the failure stands instead.
  if (run && status == 0) {
    status = Launch(sourceFile, useRunningEmulator) ? 0 : -1;
  }
  return status;
}

bool Application::ParseArguments() {
  const CommandLine line(platform_.GetRawCommandLine());

  std::string file;
  FindOption(line, "-f", &file);
  if (file.empty()) {
    output.Error("no filename specified\n");
    return false;
  }
  sourceFile = file;

  // Only the presence of these switches counts; their values are ignored.
  std::string ignored_c, ignored_r, ignored_e;
  if (FindOption(line, "-c", &ignored_c)) compile = true;
  if (FindOption(line, "-r", &ignored_r)) run = true;
  if (FindOption(line, "-e", &ignored_e)) useRunningEmulator = true;
  return run || compile;
}

void Application::SetAssemblerPath() { assemblerPath = "%KICKASS_PATH%"; }

bool Application::Assemble(const std::string& source) {
  const CommandSyntax syntax = platform_.GetCommandSyntax();
  if (!IsQuotableSource(syntax, source)) {
    output.Error("invalid filename: %s\n", source.c_str());
    return false;
  }
  const std::string command = BuildAssemblerCommand(
      syntax, platform_.ResolveAssemblerPath(assemblerPath), source);
  return platform_.RunCommand(command) == 0;
}

}  // namespace quennet::brackwin
