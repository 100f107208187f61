#ifndef BRACKWIN_APP_APPLICATION_H_
#define BRACKWIN_APP_APPLICATION_H_

#include <string>

#include "diag/debug_output.h"
#include "platform/platform.h"

namespace quennet::brackwin {

/// One whole run of the tool: read the switches, assemble the source, and
/// hand the assembled program to the emulator.
class Application {
 public:
  /// Everything the run asks of the operating system goes to `platform`,
  /// which must outlive the Application.
  explicit Application(Platform& platform);

  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  /// Runs the tool once and returns the exit status: 0 on success, -1 on
  /// failure.
  int Execute();

  /// Reads -f, -c, -r and -e from the command line. Returns false, printing
  /// why, when the command line holds characters outside the ANSI code page;
  /// printing "no filename specified" when -f has no value; and silently when
  /// neither
  /// -c nor -r is present or when a token other than the value of -f asks
  /// for help (-h, --help, /?), which Execute answers with the usage text.
  bool ParseArguments();

  /// Sets the assembler directory to the reference "%KICKASS_PATH%".
  void SetAssemblerPath();

  /// Runs the assembler on `source` through the command interpreter. Returns
  /// true when it reported 0. A source path that the interpreter's quoting
  /// cannot hold is refused with "invalid filename: ..." and nothing runs.
  bool Assemble(const std::string& source);

  /// Hands the program assembled from `source` to the emulator: with
  /// `use_running_emulator`, dropped onto the first enabled emulator window;
  /// otherwise, or when there is none, opened through the shell. Returns
  /// false, launching nothing, when a part of `source` is too long to split
  /// (the program path would then be wrong).
  bool Launch(const std::string& source, bool use_running_emulator);

 private:
  Platform& platform_;

  std::string assemblerPath;
  DebugOutput output;
  std::string sourceFile;
  bool compile = false;
  bool run = false;
  bool useRunningEmulator = false;
  bool help_ = false;
};

}  // namespace quennet::brackwin

#endif  // BRACKWIN_APP_APPLICATION_H_
