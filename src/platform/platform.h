#ifndef BRACKWIN_PLATFORM_PLATFORM_H_
#define BRACKWIN_PLATFORM_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "paths/lead_bytes.h"
#include "paths/path_parts.h"
#include "shared/deadline.h"

namespace quennet::brackwin {

/// Which command interpreter runs the assembler, and so how its command
/// must be quoted.
enum class CommandSyntax {
  kWindows,  // cmd.exe: double quotes, %NAME% expanded by the interpreter.
  kPosix,    // /bin/sh: single quotes.
};

/// The process's command line as the system hands it over.
struct ProcessCommandLine {
  /// Windows passes one raw line, which CommandLine splits by its own rules.
  std::string raw;
  /// POSIX passes the arguments already split, program path first; they are
  /// taken as they are, and `split` is set.
  std::vector<std::string> arguments;
  bool split = false;
};

/// How an environment variable was found.
enum class EnvironmentLookup {
  kUnset,
  kSet,
  kOutsideCodePage,  // Set, but the ANSI code page cannot hold its value.
};

/// How opening a file through the desktop shell went.
enum class OpenStatus {
  kOpened,              // Handed on: success.
  kStarted,             // The opener runs on (`process`); AwaitOpener tells
                        // how it ends.
  kNoAssociation,       // No application is associated with the file's type.
  kFileNotFound,        // The file or its folder does not exist.
  kAccessDenied,        // The file may not be opened.
  kApplicationMissing,  // The associated application is not where the
                        // association says.
  kOpenerMissing,       // The desktop's opener program could not be started.
  kNoApplication,       // The opener found no application for the file.
  kNoDesktopSession,    // The opener looked for none: no desktop session.
  kApplicationFailed,   // The opener's application exited at once with a
                        // failure (cannot open the display, say).
  kOpenerFailed,        // The opener exited at once with another failure.
  kProgramFailed,       // The program that the shell started (`program`)
                        // exited at once with the failure `code`.
  kPathTooLong,         // The path is longer than the shell takes.
  kOtherError,          // Any other failure; `code` says which.
};

/// What tells one version of a file from another.
struct FileState {
  std::int64_t written = 0;  // Milliseconds since 1970.
  std::uint64_t size = 0;
};

/// The outcome of Platform::OpenWithShell.
struct OpenResult {
  OpenStatus status = OpenStatus::kOpened;
  /// The system's own number: ShellExecute's result, the opener's exit
  /// status (-1 when a signal ended it), or errno when it could not start;
  /// for kPathTooLong, the full path's length in characters.
  int code = 0;
  /// The program that did the opening, for messages ("xdg-open").
  const char* opener = "";
  /// For kOpenerFailed: what the opener's status means, in its own terms
  /// ("file not found").
  const char* meaning = "failed";
  /// For kStarted: the opener's process id.
  long process = 0;
  /// For kProgramFailed: the program's path.
  std::string program;
};

/// How a look for the .prg association went.
enum class AssociationLookup {
  kFound,
  kNone,      // There is none.
  kTimedOut,  // Its look-up did not end in time (a display that does not
              // answer holds xdg-mime); it was ended.
};

/// What this system calls things and advises, for the portable messages
/// about the shell route: each OS, and its opener, speaks for itself.
struct ShellWording {
  /// How to associate .prg files with VICE here.
  const char* associate;
  /// The .prg type in the association's own terms, for messages.
  const char* file_type;
  /// Why the opener consults no association without a desktop session.
  const char* no_session;
  /// What names the association here, for "... names none".
  const char* association_lookup;
  /// What commonly makes the associated program fail at once.
  const char* application_failure;
  /// How to get the opener when it is missing.
  const char* get_opener;
  /// The longest path the shell opens.
  const char* shell_path_limit;
};

/// Why no absolute path could be made.
enum class AbsolutePath {
  kMade,
  kOutsideCodePage,  // The current folder's name has no ANSI form.
  kNoFolder,         // The current folder cannot be read.
};

/// What the desktop opens a file with.
struct Association {
  /// The association itself: the desktop entry ("brackwin-x64sc.desktop"),
  /// or on Windows the command it runs.
  std::string entry;
  /// The program it starts: "x64sc", "C:\\VICE\\bin\\x64sc.exe".
  std::string program;
  /// Whether that program is there (on the PATH, for a bare name).
  bool program_found = false;
};

/// The processes and files of the operating system: the command line, the
/// command interpreter, the shell, files and the environment. The real one
/// comes from GetPlatform(); tests pass a fake that records the calls.
/// Sockets and windows have interfaces of their own (sockets.h,
/// window_route.h).
class Platform {
 public:
  virtual ~Platform() = default;

  /// The process's command line, program path first. Returns false when it
  /// holds characters that the ANSI code page cannot represent: on Windows
  /// they would otherwise be replaced by look-alikes ("best fit"), naming
  /// another file.
  virtual bool ReadCommandLine(ProcessCommandLine* line) = 0;

  /// Where the help points for more: "the README", or on an installed
  /// Linux tool "man brackwin and /usr/share/doc/brackwin/README.md".
  virtual std::string DescribeDocumentation() const = 0;

  /// How many processes share this process's console, this one included,
  /// when a person can see that console; 0 where there is none, it is
  /// hidden (an editor's), or consoles are not the process's (POSIX). One
  /// means the console was made for this process alone: a double click.
  virtual int CountConsoleProcesses() const = 0;

  /// Shows `text` to the person in a message box, and waits until it is
  /// closed. Only where CountConsoleProcesses says one is watching.
  virtual void ShowMessageBox(const std::string& text) = 0;

  /// The number of the ANSI code page, for messages; 0 where there is none.
  virtual unsigned int GetAnsiCodePage() const = 0;

  /// The syntax of the interpreter that RunCommand uses.
  virtual CommandSyntax GetCommandSyntax() const = 0;

  /// The assembler directory as it goes into the command: unchanged where
  /// the interpreter expands `reference` itself, else the value of the
  /// environment variable that it names, or `reference` itself when unset.
  virtual std::string ResolveAssemblerPath(const std::string& reference) = 0;

  /// Runs `command` through the command interpreter in this console and
  /// waits. Returns the command's exit code, or -1 when the interpreter
  /// could not run it or it ended abnormally.
  virtual int RunCommand(const std::string& command) = 0;

  /// How long the parts of a source path may be for its program to be
  /// launched: what the shell takes on Windows; NAME_MAX and PATH_MAX on
  /// POSIX, where the program's name is the source's with ".prg".
  virtual PathLimits GetPathLimits() const = 0;

  /// The lead bytes of the ANSI code page, read once at start-up.
  virtual const LeadByteTable& GetLeadBytes() const = 0;

  /// Opens `file` with the application associated with it, in `directory`
  /// (the current directory when empty). Never waits for the application
  /// beyond about a second. Where the opener is a program of its own
  /// (xdg-open), returns kStarted once it runs, and AwaitOpener tells how
  /// it ends; where the system starts the application itself and names its
  /// process, one that exits within a second with a failure is
  /// kProgramFailed, one that runs on is opened.
  virtual OpenResult OpenWithShell(const std::string& file,
                                   const std::string& directory) = 0;

  /// Waits at most `timeout_ms` for the opener of `result` (kStarted) to
  /// end. Returns false while it runs; true once it ended, with `result`
  /// then as its status says: opened for 0, or the failure.
  virtual bool AwaitOpener(OpenResult* result, int timeout_ms) = 0;

  /// A process among the descendants of `ancestor` that runs `program`
  /// (by its file name); 0 when none, or where processes cannot be read.
  virtual long FindDescendant(long ancestor, const std::string& program) = 0;

  /// What the messages of the shell route say in this system's terms.
  virtual const ShellWording& GetShellWording() const = 0;

  /// The association that would open `file`, found by the system's own
  /// look-ups (xdg-mime and the desktop entry's Exec line; the shell's
  /// association queries), none, or timed out at `deadline`, the programs
  /// it ran ended by then. Only looks.
  virtual AssociationLookup FindAssociation(const std::string& file,
                                            const Deadline& deadline,
                                            Association* association) = 0;

  /// The text of the file `path`, at most `max_bytes` of it; false when it
  /// cannot be read.
  virtual bool ReadTextFile(const std::string& path, std::size_t max_bytes,
                            std::string* text) = 0;

  /// Whether `path` names an existing file that is not a directory, at any
  /// length the file system allows.
  virtual bool FileExists(const std::string& path) = 0;

  /// The time by the system's clock, in milliseconds since 1970: the clock
  /// that dates files.
  virtual std::int64_t Now() = 0;

  /// When `path` was last written, in milliseconds since 1970, and its size
  /// in bytes; false when they cannot be read.
  virtual bool GetFileState(const std::string& path, FileState* state) = 0;

  /// Stores `path` made absolute against the current directory in
  /// `absolute`, or says why that cannot be done.
  virtual AbsolutePath GetAbsolutePath(const std::string& path,
                                       std::string* absolute) = 0;

  /// The value of the environment variable `name`, in `value` when kSet.
  virtual EnvironmentLookup GetEnvironment(const std::string& name,
                                           std::string* value) = 0;

  /// Looks the program `name` up on the search path, as the interpreter
  /// does, and stores its full path in `path`: each PATH entry in turn (on
  /// Windows with the extensions of PATHEXT, and never the current folder,
  /// which cmd.exe would search first). False when there is none.
  virtual bool FindProgram(const std::string& name, std::string* path) = 0;
};

/// The platform of this process, made on the first call. `argc` and `argv`
/// are main's; a platform with a raw command line of its own ignores them.
Platform& GetPlatform(int argc, char** argv);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_PLATFORM_PLATFORM_H_
