// The POSIX platform: /bin/sh runs the assembler, the arguments come from
// argv as they are, and files are opened with the desktop's opener.

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

// The absolute form of `path`, against the current directory, in
// `absolute`; false, leaving `absolute` alone, when the current directory
// cannot be read.
bool MakeAbsolute(const std::string& path, std::string* absolute) {
  if (!path.empty() && path[0] == '/') {
    *absolute = path;
    return true;
  }
  char* cwd = getcwd(nullptr, 0);
  if (cwd == nullptr) return false;
  *absolute = cwd;
  std::free(cwd);
  if (absolute->back() != '/') *absolute += '/';
  *absolute += path;
  return true;
}

// Reads what the child of RunDesktopTask reports, until it ends or
// `deadline` passes. Returns true when it ended and exited with status 0;
// `reaped` says whether it was collected.
bool CollectChild(pid_t child, int report_fd,
                  std::chrono::steady_clock::time_point deadline,
                  std::string* report, bool* reaped) {
  char chunk[512];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 ||
        !WaitFor(report_fd, POLLIN, static_cast<int>(left.count()))) {
      return false;
    }
    const ssize_t count = read(report_fd, chunk, sizeof(chunk));
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    report->append(chunk, static_cast<std::size_t>(count));
  }
  // End of file: the child has closed its end by exiting (or is about to).
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) {
      *reaped = true;
      return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    if (done < 0) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

// What a failure status of xdg-open means, as its manual defines them: 3,
// no method available for opening the file, which without a desktop
// session (DISPLAY, WAYLAND_DISPLAY) includes the association, never
// consulted then; 4, the action failed, which is the associated application
// exiting with a failure.
OpenStatus DescribeOpenerFailure(int status) {
  if (status == 4) return OpenStatus::kApplicationFailed;
  if (status != 3) return OpenStatus::kOpenerFailed;
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') {
      return OpenStatus::kNoApplication;
    }
  }
  return OpenStatus::kNoDesktopSession;
}

class PosixPlatform : public Platform {
 public:
  PosixPlatform(int argc, char** argv) : arguments_(argv, argv + argc) {
    // A caller that ignores SIGCHLD passes that on through exec; system()
    // and waitpid() then find no child to collect and report failure for a
    // command that succeeded.
    signal(SIGCHLD, SIG_DFL);
  }

  // The arguments arrive split: joining and splitting them again could only
  // cut a name that holds a quote and a space.
  bool ReadCommandLine(ProcessCommandLine* line) override {
    line->arguments = arguments_;
    line->split = true;
    return true;
  }

  unsigned int GetAnsiCodePage() const override { return 0; }

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

  void RaiseWindow(WindowHandle window) override {
    desktop_.RaiseWindow(window);
  }

  DropResult DropFile(WindowHandle window, const std::string& absolute_program,
                      const std::vector<unsigned char>&) override {
    return desktop_.DropFile(window, absolute_program);
  }

  // Xlib waits without limit: for a display that accepts the connection but
  // never answers (a dead ssh forward, a stopped server), and inside xcb,
  // which retries interrupted reads. Only a process of its own can be given
  // a deadline. The child reports through a pipe and exits with 0 when the
  // task finished; a lost X connection ends it with another status.
  bool RunDesktopTask(int timeout_ms, const DesktopTask& task,
                      std::string* report) override {
    if (!desktop_.CanHang()) {
      *report = task();
      return true;
    }
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(timeout_ms);
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return false;
    std::fflush(nullptr);  // Nothing buffered may be written twice.
    const pid_t child = fork();
    if (child < 0) {
      close(pipe_fds[0]);
      close(pipe_fds[1]);
      return false;
    }
    if (child == 0) {
      close(pipe_fds[0]);
      const std::string text = task();
      std::size_t written = 0;
      while (written < text.size()) {
        const ssize_t count =
            write(pipe_fds[1], text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) _exit(1);
        written += static_cast<std::size_t>(count);
      }
      // No exit handlers: they belong to the parent.
      _exit(0);
    }
    close(pipe_fds[1]);
    report->clear();
    bool reaped = false;
    const bool finished =
        CollectChild(child, pipe_fds[0], deadline, report, &reaped);
    close(pipe_fds[0]);
    if (!reaped) {
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
    }
    return finished;
  }

  std::string DescribeDesktop() override { return desktop_.Describe(); }

  OpenResult OpenWithShell(const std::string& file,
                           const std::string& directory) override {
    OpenResult result;
    result.opener = BRACKWIN_SHELL_OPENER;
    // The opener runs in `directory`, so a relative file name must not be
    // read against it a second time; without a current directory to read,
    // it stays as it is.
    std::string target = file;
    if (!directory.empty()) MakeAbsolute(file, &target);
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
        result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.status = DescribeOpenerFailure(result.code);
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

  bool GetModificationTime(const std::string& path,
                           std::int64_t* time) override {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return false;
    *time = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000 +
            info.st_mtim.tv_nsec / 1000000;
    return true;
  }

  bool GetAbsolutePath(const std::string& path,
                       std::string* absolute) override {
    return MakeAbsolute(path, absolute);
  }

  EnvironmentLookup GetEnvironment(const std::string& name,
                                   std::string* value) override {
    const char* text = std::getenv(name.c_str());
    if (text == nullptr) return EnvironmentLookup::kUnset;
    *value = text;
    return EnvironmentLookup::kSet;
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

  void ShutdownSending(SocketHandle socket) override {
    shutdown(static_cast<int>(socket), SHUT_WR);
  }

  void CloseSocket(SocketHandle socket) override {
    close(static_cast<int>(socket));
  }

 private:
  const std::vector<std::string> arguments_;
  const LeadByteTable lead_bytes_;  // POSIX paths have no lead bytes.
  Desktop desktop_;
};

}  // namespace

Platform& GetPlatform(int argc, char** argv) {
  static PosixPlatform platform(argc, argv);
  return platform;
}

}  // namespace quennet::brackwin
