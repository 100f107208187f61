// The POSIX platform: /bin/sh runs the assembler, the raw command line is
// rebuilt from argv, and files are opened with the desktop's opener.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/desktop.h"
#include "platform/join_arguments.h"
#include "platform/platform.h"

#ifndef BRACKWIN_SHELL_OPENER
#define BRACKWIN_SHELL_OPENER "xdg-open"
#endif

namespace quennet::brackwin {
namespace {

// How long the opener has to fail before it counts as started.
constexpr std::chrono::milliseconds kOpenerWindow(1000);

bool IsRegularFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Waits until `fd` is ready for `events`, at most `timeout_ms`.
bool WaitFor(int fd, short events, int timeout_ms) {
  pollfd entry = {fd, events, 0};
  int ready;
  do {
    ready = poll(&entry, 1, timeout_ms);
  } while (ready < 0 && errno == EINTR);
  return ready == 1;
}

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
      : command_line_(JoinArguments(argc, argv)) {
    // A caller that ignores SIGCHLD passes that on through exec; system()
    // and waitpid() then find no child to collect and report failure for a
    // command that succeeded.
    signal(SIGCHLD, SIG_DFL);
  }

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

  OpenResult OpenWithShell(const std::string& file,
                           const std::string& directory) override {
    OpenResult result;
    result.opener = BRACKWIN_SHELL_OPENER;
    // The opener runs in `directory`, so a relative file name must not be
    // read against it a second time.
    const std::string target = directory.empty() ? file : MakeAbsolute(file);
    // The child reports a failed exec through this pipe; a successful exec
    // closes it, so end of file means the opener started.
    int report[2];
    if (pipe(report) != 0) {
      result.status = OpenStatus::kOtherError;
      result.code = errno;
      return result;
    }
    fcntl(report[1], F_SETFD, FD_CLOEXEC);
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
      result.status = OpenStatus::kOtherError;
      result.code = errno;
      close(report[0]);
      close(report[1]);
      return result;
    }
    if (child == 0) {
      close(report[0]);
      // Detached from our console and session: an editor that reads our
      // output until end of file must not wait for the emulator to exit,
      // and stopping the editor's job must not stop the emulator.
      setsid();
      const int null_fd = open("/dev/null", O_RDWR);
      if (null_fd >= 0) {
        dup2(null_fd, STDIN_FILENO);
        dup2(null_fd, STDOUT_FILENO);
        dup2(null_fd, STDERR_FILENO);
        if (null_fd > STDERR_FILENO) close(null_fd);
      }
      if (!directory.empty() && chdir(directory.c_str()) != 0) {
        // No such directory (a backslash is no separator here): the opener
        // stays in ours, which is harmless, as the path is absolute.
      }
      execlp(BRACKWIN_SHELL_OPENER, BRACKWIN_SHELL_OPENER, target.c_str(),
             static_cast<char*>(nullptr));
      const int error = errno;
      if (write(report[1], &error, sizeof(error)) < 0) {
        // Nothing more can be told.
      }
      _exit(127);
    }
    close(report[1]);
    int error = 0;
    ssize_t count;
    do {
      count = read(report[0], &error, sizeof(error));
    } while (count < 0 && errno == EINTR);
    close(report[0]);
    if (count == static_cast<ssize_t>(sizeof(error))) {
      waitpid(child, nullptr, 0);
      result.status = OpenStatus::kOpenerMissing;
      result.code = error;
      return result;
    }

    // Started. An opener that cannot open the file says so at once; one that
    // is still running when the window ends is opening it. It is not waited
    // for beyond that: when we exit, init adopts and collects it.
    const auto deadline = std::chrono::steady_clock::now() + kOpenerWindow;
    for (;;) {
      int status = 0;
      const pid_t done = waitpid(child, &status, WNOHANG);
      if (done == child) {
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return result;
        result.status = OpenStatus::kOpenerFailed;
        result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
      }
      if (done < 0 || std::chrono::steady_clock::now() >= deadline) {
        return result;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  bool FileExists(const std::string& path) override {
    return IsRegularFile(path);
  }

  std::string GetAbsolutePath(const std::string& path) override {
    return MakeAbsolute(path);
  }

  bool GetEnvironment(const std::string& name, std::string* value) override {
    const char* text = std::getenv(name.c_str());
    if (text == nullptr) return false;
    *value = text;
    return true;
  }

  // As the shell looks a command up: each PATH entry in turn, an empty one
  // meaning the current directory.
  bool FindProgram(const std::string& name) override {
    const char* path = std::getenv("PATH");
    const std::string entries = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = entries.find(':', start);
      std::string directory = entries.substr(start, end - start);
      if (directory.empty()) directory = ".";
      const std::string candidate = directory + "/" + name;
      if (IsRegularFile(candidate) && access(candidate.c_str(), X_OK) == 0) {
        return true;
      }
      if (end == std::string::npos) return false;
      start = end + 1;
    }
  }

  SocketHandle ConnectLoopback(int port, int timeout_ms) override {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return kNoSocket;
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address),
                sizeof(address)) != 0) {
      int error = errno;
      if (error == EINPROGRESS && WaitFor(fd, POLLOUT, timeout_ms)) {
        socklen_t length = sizeof(error);
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
          error = errno;
        }
      } else if (error == EINPROGRESS) {
        error = ETIMEDOUT;
      }
      if (error != 0) {
        close(fd);
        return kNoSocket;
      }
    }
    return fd;
  }

  bool Send(SocketHandle socket, const std::vector<unsigned char>& bytes,
            int timeout_ms) override {
    const int fd = static_cast<int>(socket);
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      if (!WaitFor(fd, POLLOUT, timeout_ms)) return false;
      // MSG_NOSIGNAL: a closed peer is an error result, not a SIGPIPE.
      const ssize_t count =
          send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (count < 0 && errno != EINTR && errno != EAGAIN) return false;
      if (count > 0) sent += static_cast<std::size_t>(count);
    }
    return true;
  }

  int Receive(SocketHandle socket, unsigned char* buffer, std::size_t size,
              int timeout_ms) override {
    const int fd = static_cast<int>(socket);
    if (!WaitFor(fd, POLLIN, timeout_ms)) return -1;
    ssize_t count;
    do {
      count = recv(fd, buffer, size, 0);
    } while (count < 0 && errno == EINTR);
    return count < 0 ? -1 : static_cast<int>(count);
  }

  void CloseSocket(SocketHandle socket) override {
    close(static_cast<int>(socket));
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
