// The POSIX platform: /bin/sh runs the assembler, the arguments come from
// argv as they are, and files are opened with the desktop's opener.

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "shared/poll_wait.h"

#ifndef BRACKWIN_SHELL_OPENER
#define BRACKWIN_SHELL_OPENER "xdg-open"
#endif

namespace quennet::brackwin {
namespace {

bool IsRegularFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
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

// What the other exit statuses of xdg-open mean (-1: no status, a signal).
const char* DescribeOpenerStatus(int status) {
  switch (status) {
    case -1:
      return "ended by a signal";
    case 1:
      return "bad arguments";
    case 2:
      return "file not found";
    default:
      return "failed";
  }
}

// Runs `arguments` (the program first, looked up on the PATH) in a process
// group of its own, and stores the first line it prints, without its line
// end, in `line` (empty when it prints none). Returns false when it did not
// end by `deadline`: then the whole group, xprop and all that it started,
// is killed.
bool RunForFirstLine(const std::vector<std::string>& arguments,
                     const Deadline& deadline, std::string* line) {
  line->clear();
  int output[2];
  if (pipe(output) != 0) return true;
  fcntl(output[0], F_SETFD, FD_CLOEXEC);
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) {
    close(output[0]);
    close(output[1]);
    return true;
  }
  if (child == 0) {
    setpgid(0, 0);
    const int null_fd = open("/dev/null", O_RDWR);
    dup2(null_fd, STDIN_FILENO);
    dup2(output[1], STDOUT_FILENO);
    dup2(null_fd, STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
      argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  setpgid(child, child);  // Either side may come first.
  close(output[1]);
  std::string text;
  char chunk[1024];
  bool ended = false;
  for (int left; !ended && (left = deadline.MillisecondsLeft()) > 0;) {
    if (!WaitFor(output[0], POLLIN, left)) continue;
    const ssize_t count = read(output[0], chunk, sizeof(chunk));
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0 || text.size() > 4096) {
      ended = true;
    } else {
      text.append(chunk, static_cast<std::size_t>(count));
    }
  }
  close(output[0]);
  // Output closed: the program is done or about to be.
  pid_t done = 0;
  while (ended && (done = waitpid(child, nullptr, WNOHANG)) == 0 &&
         !deadline.Passed()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (done != child) {
    kill(-child, SIGKILL);
    waitpid(child, nullptr, 0);
    return false;
  }
  *line = text.substr(0, text.find('\n'));
  while (!line->empty() && line->back() == '\r') line->pop_back();
  return true;
}

// The file name of `path`: what follows its last '/'.
std::string BaseName(const std::string& path) {
  return path.substr(path.rfind('/') + 1);
}

// The program of a desktop entry's Exec line: its first word, unquoted.
std::string ExecProgram(const std::string& entry_text) {
  std::size_t at = 0;
  while (at < entry_text.size()) {
    const std::size_t end = entry_text.find('\n', at);
    const std::string line = entry_text.substr(at, end - at);
    if (line.compare(0, 5, "Exec=") == 0) {
      if (line.size() > 5 && line[5] == '"') {
        return line.substr(6, line.find('"', 6) - 6);
      }
      return line.substr(5, line.find(' ', 5) - 5);
    }
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return "";
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

  // A terminal outlives the program: what it prints stays to be read.
  int CountConsoleProcesses() const override { return 0; }
  void ShowMessageBox(const std::string&) override {}

  // The manual page, and the README where an installation put it: in
  // PREFIX/share/doc/brackwin beside PREFIX/bin/brackwin.
  std::string DescribeDocumentation() const override {
    std::string text = "man brackwin";
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (length <= 0) return text + " and the README";
    std::string prefix(self, static_cast<std::size_t>(length));
    prefix = prefix.substr(0, prefix.rfind('/'));  // .../bin
    prefix = prefix.substr(0, prefix.rfind('/'));
    for (const char* name : {"README.md", "README.md.gz"}) {
      const std::string readme = prefix + "/share/doc/brackwin/" + name;
      if (IsRegularFile(readme)) return text + " and " + readme;
    }
    return text + " and the README";
  }

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

  PathLimits GetPathLimits() const override {
    PathLimits limits;
    limits.folder = PATH_MAX - 1;
    // The program's name is the source's with ".prg", and the assembler
    // cannot write it either when it is longer than NAME_MAX.
    limits.name = NAME_MAX;
    limits.program_suffix = 4;
    limits.assembles_beyond = false;
    return limits;
  }

  const LeadByteTable& GetLeadBytes() const override { return lead_bytes_; }

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

    // Started: how it ends, or what it starts, is the caller's to watch.
    // When we exit first, init adopts and collects it.
    result.status = OpenStatus::kStarted;
    result.process = child;
    return result;
  }

  bool AwaitOpener(OpenResult* result, int timeout_ms) override {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(timeout_ms);
    for (;;) {
      int status = 0;
      const pid_t done =
          waitpid(static_cast<pid_t>(result->process), &status, WNOHANG);
      if (done == result->process) {
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result->code = code;
        result->status =
            code == 0 ? OpenStatus::kOpened : DescribeOpenerFailure(code);
        result->meaning = DescribeOpenerStatus(code);
        return true;
      }
      if (done < 0 || std::chrono::steady_clock::now() >= deadline) {
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  // From /proc: each process's parent, from its stat line, and its program,
  // from its executable's name or, for a script, its first argument.
  long FindDescendant(long ancestor, const std::string& program) override {
    const std::string wanted = BaseName(program);
    std::map<long, long> parents;
    DIR* processes = opendir("/proc");
    if (processes == nullptr || wanted.empty()) {
      if (processes != nullptr) closedir(processes);
      return 0;
    }
    while (const dirent* entry = readdir(processes)) {
      char* end = nullptr;
      const long pid = std::strtol(entry->d_name, &end, 10);
      if (pid <= 0 || *end != '\0') continue;
      std::string stat;
      if (!ReadTextFile("/proc/" + std::to_string(pid) + "/stat", 1024,
                        &stat)) {
        continue;
      }
      // pid (comm) state ppid ...: comm may hold anything, even ") ".
      const std::size_t close = stat.rfind(')');
      if (close == std::string::npos || close + 4 > stat.size()) continue;
      parents[pid] = std::strtol(stat.c_str() + close + 4, nullptr, 10);
    }
    closedir(processes);
    for (const auto& [pid, parent] : parents) {
      long up = pid;
      for (int depth = 0; up != ancestor && up > 1 && depth < 64; ++depth) {
        const auto found = parents.find(up);
        up = found == parents.end() ? 0 : found->second;
      }
      if (up != ancestor) continue;
      const std::string base = "/proc/" + std::to_string(pid);
      char exe[4096];
      const ssize_t length =
          readlink((base + "/exe").c_str(), exe, sizeof(exe) - 1);
      // A script runs as its interpreter, with its own path second.
      std::string arguments;
      ReadTextFile(base + "/cmdline", 4096, &arguments);
      const std::size_t end = arguments.find('\0');
      const std::string first = arguments.substr(0, end);
      const std::string second =
          end == std::string::npos
              ? ""
              : arguments.substr(end + 1,
                                 arguments.find('\0', end + 1) - end - 1);
      if ((length > 0 && BaseName(std::string(exe, static_cast<std::size_t>(
                                                       length))) == wanted) ||
          BaseName(first) == wanted || BaseName(second) == wanted) {
        return pid;
      }
    }
    return 0;
  }

  // As xdg-open chooses: the file's MIME type, its default desktop entry,
  // and that entry's program, from the first data folder that holds it.
  AssociationLookup FindAssociation(const std::string& file,
                                    const Deadline& deadline,
                                    Association* association) override {
    // A name with no file behind it (--check asks for "demo.prg") has the
    // type that the .prg association installs.
    std::string type = "application/x-c64-program";
    if (IsRegularFile(file) &&
        !RunForFirstLine({"xdg-mime", "query", "filetype", file}, deadline,
                         &type)) {
      return AssociationLookup::kTimedOut;
    }
    if (type.empty()) return AssociationLookup::kNone;
    if (!RunForFirstLine({"xdg-mime", "query", "default", type}, deadline,
                         &association->entry)) {
      return AssociationLookup::kTimedOut;
    }
    if (association->entry.empty()) return AssociationLookup::kNone;
    const char* home = std::getenv("HOME");
    const char* data_home = std::getenv("XDG_DATA_HOME");
    const char* data_dirs = std::getenv("XDG_DATA_DIRS");
    std::string folders =
        data_home != nullptr && data_home[0] != '\0'
            ? data_home
            : std::string(home != nullptr ? home : "") + "/.local/share";
    folders += ":";
    folders += data_dirs != nullptr && data_dirs[0] != '\0'
                   ? data_dirs
                   : "/usr/local/share:/usr/share";
    std::size_t start = 0;
    while (start <= folders.size()) {
      const std::size_t end =
          std::min(folders.find(':', start), folders.size());
      std::string text;
      if (ReadTextFile(folders.substr(start, end - start) + "/applications/" +
                           association->entry,
                       65536, &text)) {
        association->program = ExecProgram(text);
        std::string path;
        association->program_found =
            association->program.find('/') != std::string::npos
                ? access(association->program.c_str(), X_OK) == 0
                : FindProgram(association->program, &path);
        return AssociationLookup::kFound;
      }
      start = end + 1;
    }
    return AssociationLookup::kFound;
  }

  bool ReadTextFile(const std::string& path, std::size_t max_bytes,
                    std::string* text) override {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    text->resize(max_bytes);
    text->resize(std::fread(&(*text)[0], 1, max_bytes, file));
    std::fclose(file);
    return true;
  }

  bool FileExists(const std::string& path) override {
    return IsRegularFile(path);
  }

  std::int64_t Now() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
  }

  bool GetFileState(const std::string& path, FileState* state) override {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return false;
    // Seconds far from today (a file dated in the year 300,000,000) would
    // overflow in milliseconds: they are held at the ends of the range.
    constexpr std::int64_t kLimit =
        std::numeric_limits<std::int64_t>::max() / 1000 - 1;
    const std::int64_t seconds = std::max<std::int64_t>(
        -kLimit, std::min<std::int64_t>(kLimit, info.st_mtim.tv_sec));
    state->written = seconds * 1000 + info.st_mtim.tv_nsec / 1000000;
    state->size = static_cast<std::uint64_t>(info.st_size);
    return true;
  }

  AbsolutePath GetAbsolutePath(const std::string& path,
                               std::string* absolute) override {
    return MakeAbsolute(path, absolute) ? AbsolutePath::kMade
                                        : AbsolutePath::kNoFolder;
  }

  // xdg-open's terms, and Debian's, where this build is made.
  const ShellWording& GetShellWording() const override {
    static const ShellWording wording = {
        "install the association",
        "application/x-c64-program",
        "DISPLAY and WAYLAND_DISPLAY are unset, and without a desktop "
        "session it asks no association",
        "xdg-mime",
        "Debian's VICE needs the C64 ROMs, see the README",
        "Debian: install xdg-utils",
        "PATH_MAX"};
    return wording;
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
  bool FindProgram(const std::string& name, std::string* path) override {
    const char* search = std::getenv("PATH");
    const std::string entries = search != nullptr ? search : "/usr/bin:/bin";
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = entries.find(':', start);
      std::string directory = entries.substr(start, end - start);
      if (directory.empty()) directory = ".";
      const std::string candidate = directory + "/" + name;
      if (IsRegularFile(candidate) && access(candidate.c_str(), X_OK) == 0) {
        *path = candidate;
        return true;
      }
      if (end == std::string::npos) return false;
      start = end + 1;
    }
  }

 private:
  const std::vector<std::string> arguments_;
  const LeadByteTable lead_bytes_;  // POSIX paths have no lead bytes.
};

}  // namespace

Platform& GetPlatform(int argc, char** argv) {
  static PosixPlatform platform(argc, argv);
  return platform;
}

}  // namespace quennet::brackwin
