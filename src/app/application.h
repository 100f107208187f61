#ifndef BRACKWIN_APP_APPLICATION_H_
#define BRACKWIN_APP_APPLICATION_H_

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "diag/debug_output.h"
#include "emulator/binary_monitor.h"
#include "emulator/quick_program.h"
#include "emulator/text_monitor.h"
#include "emulator/vice_symbols.h"
#include "paths/path_parts.h"
#include "platform/platform.h"
#include "platform/sockets.h"
#include "shared/window_route.h"

namespace quennet::brackwin {

/// One whole run of the tool: read the switches, assemble the source, and
/// hand the assembled program to the emulator.
class Application {
 public:
  /// Everything the run asks of the operating system goes to `platform`,
  /// `sockets` (VICE's monitor) and `windows` (VICE's window), which must
  /// outlive the Application; what it says goes to the console.
  Application(Platform& platform, Sockets& sockets, WindowRoute& windows);
  /// The same, saying it to `output` instead (a test's recorder), which
  /// must outlive the Application too.
  Application(Platform& platform, Sockets& sockets, WindowRoute& windows,
              DebugOutput& output);

  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  /// Runs the tool once and returns the exit status: 0 on success, -1 on
  /// failure.
  int Execute();

  /// Reads the run's mode and -f, -c, -r, -e and -d from the command line.
  /// A token other than the value of -f that asks for help (-h, --help, /?),
  /// the version (--version) or --check sets that mode, which Execute then
  /// carries out, and nothing else is read. Returns false, printing why,
  /// when the command line holds characters outside the ANSI code page,
  /// when -f has no value ("no filename specified" and the usage line), or
  /// when neither -c nor -r is present ("nothing to do: ...").
  bool ParseArguments();

  /// Sets the assembler directory to the reference "%KICKASS_PATH%".
  void SetAssemblerPath();

  /// Runs the assembler on `source` through the command interpreter. Returns
  /// true when it reported 0. A source path that the interpreter's quoting
  /// cannot hold is refused with "invalid filename: ..." and nothing runs.
  bool Assemble(const std::string& source);

  /// Hands the program assembled from `source` to the emulator, through
  /// the HandOffChain: with `use_running_emulator`, autostarted through
  /// VICE's monitor, or dropped onto the first enabled emulator window,
  /// which then comes to the front; otherwise, or when neither took it,
  /// opened through the shell. Returns false, launching nothing, when a
  /// part of `source` is too long to split, or when the program is missing
  /// or not this run's; and when the route taken failed.
  bool Launch(const std::string& source, bool use_running_emulator);

 private:
  /// Whether `program` was written during this run: new since it began,
  /// changed in time or size, or dated within the run (from its start to
  /// now, allowing for the 2-second steps in which FAT keeps times). An
  /// unchanged program dated before or after the run, as a file server
  /// whose clock runs ahead may date it, is stale. Can it not be told, it
  /// counts as written.
  bool WrittenByThisBuild(const std::string& program) {
    return WrittenByThisBuild(program, program_existed_, program_before_);
  }
  /// The same for any `file`, which existed before the assembler ran when
  /// `existed`, as `before`.
  bool WrittenByThisBuild(const std::string& file, bool existed,
                          const FileState& before);

  /// The breakpoints and labels of a debug run, from the symbol file next
  /// to `program`; false, after a warning, when this run wrote none.
  bool ReadSymbols(const std::string& program, ViceSymbols* symbols);

  /// The program of this run, for -q; false, after a warning that says
  /// why, when it cannot be put in without a reset.
  bool ReadQuick(QuickProgram* quick);

  /// "(KickAss.cfg in KICKASS_PATH sets -odir, ...)" when the assembler's
  /// own defaults write the program somewhere else; empty otherwise. Reads
  /// only that file, only for this message.
  std::string DescribeMovedOutput();

  /// The warning that names `words` (indexes into `args`: tokens that no
  /// switch took), with the quoted name meant where they follow the -f
  /// value at `value_of_f`: the rest of a name with spaces.
  std::string IgnoredWords(const std::vector<const char*>& args,
                           std::size_t value_of_f,
                           const std::vector<std::size_t>& words) const;

  /// Takes the monitors' addresses from BRACKWIN_MONITOR and
  /// BRACKWIN_TEXT_MONITOR, where set; false, saying why, when one is not a
  /// loopback address in VICE's forms.
  bool ReadMonitorAddress();

  /// Derives the launch paths of `source` into `paths_`, once in the run;
  /// false, saying which part is too long (and `hint`), when it cannot.
  bool DerivePaths(const std::string& source, const char* hint);

  Platform& platform_;
  Sockets& sockets_;
  WindowRoute& windows_;

  DebugOutput console_;  // Where `output` goes unless the caller gives one.
  // The members that the tool's design names keep those names, camelCase.
  std::string assemblerPath;
  DebugOutput& output;
  std::string sourceFile;
  bool compile = false;
  bool run = false;
  bool useRunningEmulator = false;
  bool debug_ = false;  // -d: a debug run.
  bool quick_ = false;  // -q: into the running machine without a reset.
  // What the run does; the later ones win where several are asked for.
  enum class RunMode { kRun, kCheck, kVersion, kHelp } mode_ = RunMode::kRun;
  // Where -e looks for VICE's monitor (BRACKWIN_MONITOR, else the default).
  MonitorAddress monitor_;
  MonitorAddress text_monitor_ = DefaultTextMonitor();  // For the labels.
  // The program and its folder, derived from the source once in the run.
  LaunchPaths paths_;
  std::string paths_source_;
  // When this run began, in ms since 1970, and the program and its symbol
  // file before the assembler ran, when they existed.
  std::int64_t started_ = 0;
  bool program_existed_ = false;
  FileState program_before_;
  bool symbols_existed_ = false;
  FileState symbols_before_;
};

}  // namespace quennet::brackwin

#endif  // BRACKWIN_APP_APPLICATION_H_
