#ifndef BRACKWIN_PLATFORM_PLATFORM_H_
#define BRACKWIN_PLATFORM_PLATFORM_H_

#include <cstdint>
#include <string>
#include <vector>

#include "paths/lead_bytes.h"

namespace quennet::brackwin {

/// Which command interpreter runs the assembler, and so how its command
/// must be quoted.
enum class CommandSyntax {
  kWindows,  // cmd.exe: double quotes, %NAME% expanded by the interpreter.
  kPosix,    // /bin/sh: single quotes.
};

/// An opaque top-level window of the desktop; kNoWindow is none.
using WindowHandle = std::uintptr_t;
inline constexpr WindowHandle kNoWindow = 0;

/// Called for each top-level window by EnumerateWindows with the caller's
/// `context`; returns true to go on, false to stop.
using EnumWindowsProc = bool (*)(WindowHandle window, void* context);

/// Everything the tool asks of the operating system. The real one comes from
/// GetPlatform(); tests pass a fake that records the calls.
class Platform {
 public:
  virtual ~Platform() = default;

  /// The process's raw command line, program path first.
  virtual std::string GetRawCommandLine() = 0;

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

  /// The lead bytes of the ANSI code page, read once at start-up.
  virtual const LeadByteTable& GetLeadBytes() const = 0;

  /// Calls `proc` for each top-level window, topmost first, until it
  /// returns false.
  virtual void EnumerateWindows(EnumWindowsProc proc, void* context) = 0;

  /// The title of `window`, at most 511 bytes; empty when it has none.
  virtual std::string GetWindowTitle(WindowHandle window) = 0;

  /// Whether `window` takes input.
  virtual bool IsWindowEnabled(WindowHandle window) = 0;

  /// Delivers `program` to `window` as a dropped file. `drop_files` is the
  /// same file as a dropped-file block, for platforms whose drop message
  /// carries one. Returns false when nothing could be sent, in which case the
  /// caller opens the file through the shell instead; a window that ignores
  /// the drop still counts as delivered.
  virtual bool DropFile(WindowHandle window, const std::string& program,
                        const std::vector<unsigned char>& drop_files) = 0;

  /// Opens `file` with the application associated with it, in `directory`
  /// (the current directory when empty), without waiting for it. The outcome
  /// is not reported.
  virtual void OpenWithShell(const std::string& file,
                             const std::string& directory) = 0;
};

/// The platform of this process, made on the first call. `argc` and `argv`
/// are main's; a platform with a raw command line of its own ignores them.
Platform& GetPlatform(int argc, char** argv);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_PLATFORM_PLATFORM_H_
