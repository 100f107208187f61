// The POSIX platform: /bin/sh runs the assembler, the raw command line is
// rebuilt from argv, and files are opened with the desktop's opener.

#include <fcntl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/desktop.h"
#include "platform/join_arguments.h"
#include "platform/platform.h"

#ifndef BRACKWIN_SHELL_OPENER
#define BRACKWIN_SHELL_OPENER "xdg-open"
#endif

namespace quennet::brackwin {
namespace {

// The absolute form of `path`, against the current directory.
std::string MakeAbsolute(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  char* cwd = getcwd(nullptr, 0);
  if (cwd == nullptr) return path;
  std::string absolute = cwd;
  std::free(cwd);
  if (absolute.back() != '/') absolute += '/';
  return absolute + path;
}

class PosixPlatform : public Platform {
 public:
  PosixPlatform(int argc, char** argv)
      : command_line_(JoinArguments(argc, argv)) {}

  std::string GetRawCommandLine() override { return command_line_; }

  CommandSyntax GetCommandSyntax() const override {
    return CommandSyntax::kPosix;
  }

  // /bin/sh does not expand %NAME%, so the reference is replaced here. An
  // unset variable leaves the reference as it is, and java then reports the
  // missing archive, as it does where cmd.exe leaves it unexpanded.
  std::string ResolveAssemblerPath(const std::string& reference) override {
    if (reference.size() < 2 || reference.front() != '%' ||
        reference.back() != '%') {
      return reference;
    }
    const std::string name = reference.substr(1, reference.size() - 2);
    const char* value = std::getenv(name.c_str());
    return value != nullptr ? value : reference;
  }

  int RunCommand(const std::string& command) override {
    // Our own buffered output must come before the command's.
    std::fflush(nullptr);
    const int status = std::system(command.c_str());
    // -1: no shell could be started; a signal is no exit code either.
    if (status == -1 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }

  const LeadByteTable& GetLeadBytes() const override { return lead_bytes_; }

  void EnumerateWindows(EnumWindowsProc proc, void* context) override {
    desktop_.EnumerateWindows(proc, context);
  }

  std::string GetWindowTitle(WindowHandle window) override {
    return desktop_.GetWindowTitle(window);
  }

  bool IsWindowEnabled(WindowHandle window) override {
    return desktop_.IsWindowEnabled(window);
  }

  bool DropFile(WindowHandle window, const std::string& program,
                const std::vector<unsigned char>&) override {
    return desktop_.DropFile(window, MakeAbsolute(program));
  }

  void OpenWithShell(const std::string& file,
                     const std::string& directory) override {
    // The opener runs in `directory`, so a relative file name must not be
    // read against it a second time.
    const std::string target = directory.empty() ? file : MakeAbsolute(file);
    std::fflush(nullptr);
    // Fork twice: the middle process exits at once, so the opener is adopted
    // by init and never waited for, and never left as our zombie.
    const pid_t middle = fork();
    if (middle < 0) return;
    if (middle == 0) {
      if (fork() == 0) {
        // Detached from our console: an editor that reads our output until
        // end of file must not wait for the emulator to exit.
        setsid();
        const int null_fd = open("/dev/null", O_RDWR);
        if (null_fd >= 0) {
          dup2(null_fd, STDIN_FILENO);
          dup2(null_fd, STDOUT_FILENO);
          dup2(null_fd, STDERR_FILENO);
          if (null_fd > STDERR_FILENO) close(null_fd);
        }
        if (!directory.empty() && chdir(directory.c_str()) != 0) {
          // No such directory (a backslash is no separator here): the
          // opener stays in ours, which is harmless, as the path is
          // absolute.
        }
        execlp(BRACKWIN_SHELL_OPENER, BRACKWIN_SHELL_OPENER, target.c_str(),
               static_cast<char*>(nullptr));
        _exit(127);
      }
      _exit(0);
    }
    waitpid(middle, nullptr, 0);
  }

 private:
  const std::string command_line_;
  const LeadByteTable lead_bytes_;  // POSIX paths have no lead bytes.
  Desktop desktop_;
};

}  // namespace

Platform& GetPlatform(int argc, char** argv) {
  static PosixPlatform platform(argc, argv);
  return platform;
}

}  // namespace quennet::brackwin
