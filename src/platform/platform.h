#ifndef BRACKWIN_PLATFORM_PLATFORM_H_
#define BRACKWIN_PLATFORM_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <functional>
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

/// How a dropped file went.
enum class DropResult {
  kDelivered,   // The window took the drop (or, where the system tells
                // nothing more, was sent it).
  kNotSent,     // Nothing could be sent.
  kUnanswered,  // The window never answered the drop protocol.
  kRefused,     // The window answered that it takes no such drop.
};

/// How opening a file through the desktop shell went.
enum class OpenStatus {
  kOpened,              // Handed on (or still being handed on when we stopped
                        // looking): success.
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
  kPathTooLong,         // The path is longer than the shell takes.
  kOtherError,          // Any other failure; `code` says which.
};

/// The outcome of Platform::OpenWithShell.
struct OpenResult {
  OpenStatus status = OpenStatus::kOpened;
  /// The system's own number: ShellExecute's result, the opener's exit
  /// status (-1 when a signal ended it), or errno when it could not start.
  int code = 0;
  /// The program that did the opening, for messages ("xdg-open").
  const char* opener = "";
};

/// A connected stream socket; kNoSocket is none.
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

/// Called for each top-level window by EnumerateWindows with the caller's
/// `context`; returns true to go on, false to stop.
using EnumWindowsProc = bool (*)(WindowHandle window, void* context);

/// Work on the desktop's windows, run by Platform::RunDesktopTask; returns a
/// short report of its own making.
using DesktopTask = std::function<std::string()>;

/// Everything the tool asks of the operating system. The real one comes from
/// GetPlatform(); tests pass a fake that records the calls.
class Platform {
 public:
  virtual ~Platform() = default;

  /// The process's command line, program path first. Returns false when it
  /// holds characters that the ANSI code page cannot represent: on Windows
  /// they would otherwise be replaced by look-alikes ("best fit"), naming
  /// another file.
  virtual bool ReadCommandLine(ProcessCommandLine* line) = 0;

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

  /// The lead bytes of the ANSI code page, read once at start-up.
  virtual const LeadByteTable& GetLeadBytes() const = 0;

  /// Calls `proc` for each top-level window, topmost first, until it
  /// returns false.
  virtual void EnumerateWindows(EnumWindowsProc proc, void* context) = 0;

  /// The title of `window`, at most 511 bytes; empty when it has none.
  virtual std::string GetWindowTitle(WindowHandle window) = 0;

  /// Whether `window` takes input.
  virtual bool IsWindowEnabled(WindowHandle window) = 0;

  /// Brings `window` to the front: restored when minimised, and activated
  /// where the window manager lets us. Never waits on the window's thread.
  virtual void RaiseWindow(WindowHandle window) = 0;

  /// Delivers `absolute_program` to `window` as a dropped file. `drop_files`
  /// is the same file as a dropped-file block, for platforms whose drop
  /// message carries one. Never waits on the window's own thread; where the
  /// drop is a conversation (X11), gives up after 2 seconds.
  virtual DropResult DropFile(WindowHandle window,
                              const std::string& absolute_program,
                              const std::vector<unsigned char>& drop_files) = 0;

  /// Runs `task`, which talks to the desktop's windows, so that a desktop
  /// that stops answering cannot hold the tool up: under X11 in a child
  /// process, killed when it has not finished within `timeout_ms` or when it
  /// dies (a lost connection included); elsewhere directly, as the calls it
  /// makes there never wait on other programs. Returns true with the task's
  /// report in `report`, false when it did not finish.
  virtual bool RunDesktopTask(int timeout_ms, const DesktopTask& task,
                              std::string* report) = 0;

  /// The desktop in messages: "the X display :0".
  virtual std::string DescribeDesktop() = 0;

  /// Opens `file` with the application associated with it, in `directory`
  /// (the current directory when empty). Never waits for the application;
  /// where the opener is a program of its own, waits at most about a second
  /// to learn whether it failed at once.
  virtual OpenResult OpenWithShell(const std::string& file,
                                   const std::string& directory) = 0;

  /// Whether `path` names an existing file that is not a directory, at any
  /// length the file system allows.
  virtual bool FileExists(const std::string& path) = 0;

  /// The time `path` was last written, in milliseconds since 1970, in
  /// `time`; false when it cannot be read.
  virtual bool GetModificationTime(const std::string& path,
                                   std::int64_t* time) = 0;

  /// Stores `path` made absolute against the current directory in
  /// `absolute`. Returns false when that cannot be done: the current
  /// directory cannot be read, or its name cannot be written in the ANSI
  /// code page.
  virtual bool GetAbsolutePath(const std::string& path,
                               std::string* absolute) = 0;

  /// The value of the environment variable `name`, in `value` when kSet.
  virtual EnvironmentLookup GetEnvironment(const std::string& name,
                                           std::string* value) = 0;

  /// Whether the command interpreter would find the program `name` on the
  /// search path (on Windows also in the current directory, with the
  /// extensions of PATHEXT).
  virtual bool FindProgram(const std::string& name) = 0;

  /// Connects to `port` on 127.0.0.1, waiting at most `timeout_ms` for the
  /// connection. Returns kNoSocket when it is refused or not made in time.
  virtual SocketHandle ConnectLoopback(int port, int timeout_ms) = 0;

  /// Sends all of `bytes`, waiting at most `timeout_ms`; false on failure.
  virtual bool Send(SocketHandle socket,
                    const std::vector<unsigned char>& bytes,
                    int timeout_ms) = 0;

  /// Receives up to `size` bytes, waiting at most `timeout_ms` for the first.
  /// Returns the count, 0 when the peer closed the connection, or -1 on an
  /// error or time-out.
  virtual int Receive(SocketHandle socket, unsigned char* buffer,
                      std::size_t size, int timeout_ms) = 0;

  /// Tells the peer that nothing more will be sent (a TCP half-close); what
  /// it still sends can be received.
  virtual void ShutdownSending(SocketHandle socket) = 0;

  virtual void CloseSocket(SocketHandle socket) = 0;
};

/// The platform of this process, made on the first call. `argc` and `argv`
/// are main's; a platform with a raw command line of its own ignores them.
Platform& GetPlatform(int argc, char** argv);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_PLATFORM_PLATFORM_H_
