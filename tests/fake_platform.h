#ifndef BRACKWIN_TESTS_FAKE_PLATFORM_H_
#define BRACKWIN_TESTS_FAKE_PLATFORM_H_

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/sockets.h"
#include "shared/window_route.h"

namespace quennet::brackwin {

/// A platform that plays back a scripted desktop and records every request.
class FakePlatform : public Platform {
 public:
  struct Open {
    std::string file;
    std::string directory;
  };

  // The script.
  std::string command_line = "brackwin.exe";
  CommandSyntax syntax = CommandSyntax::kWindows;
  std::string assembler_path = "%KICKASS_PATH%";
  int command_result = 0;
  LeadByteTable lead_bytes;
  PathLimits path_limits;
  OpenResult open_result = {OpenStatus::kOpened, 42, "ShellExecute", "", 0, ""};
  /// How an opener left running (kStarted) ends: as `opener_end`, or not
  /// while `opener_runs`; and the program it started, where it runs.
  OpenResult opener_end;
  bool opener_runs = false;
  long descendant = 0;
  bool association_times_out = false;
  /// Files that exist; when null, every file does.
  std::vector<std::string>* existing_files = nullptr;
  /// The clock, in ms since 1970, and how far a command moves it on: the
  /// tests set the time, as the platform gives it.
  std::int64_t now = 1765000000000;
  std::int64_t command_ms = 0;
  /// Whether no file's time and size can be read.
  bool file_states_fail = false;
  /// When files were last written, in ms since 1970; any other file that
  /// exists was written just now.
  std::vector<std::pair<std::string, std::int64_t>> write_times;
  /// When set, what `write_times` becomes once a command ran.
  std::vector<std::pair<std::string, std::int64_t>> write_times_after_command;
  std::vector<std::pair<std::string, std::string>> environment = {
      {"KICKASS_PATH", "C:\\KickAssembler"}};
  std::vector<std::string> programs = {"java"};
  /// The association of .prg files, none when `entry` is empty.
  Association association;
  /// Files that ReadTextFile reads.
  std::vector<std::pair<std::string, std::string>> text_files;
  /// Whether no absolute path can be made (a folder outside the code page).
  bool absolute_path_fails = false;
  /// The words of the shell route's messages: Debian's, and Windows' path
  /// limit.
  ShellWording wording = {
      "install the association",
      "application/x-c64-program",
      "DISPLAY and WAYLAND_DISPLAY are unset, and without a desktop session "
      "it asks no association",
      "xdg-mime",
      "Debian's VICE needs the C64 ROMs, see the README",
      "Debian: install xdg-utils",
      "at most 259 characters"};

  // The record.
  std::vector<std::string> commands;
  int console_processes = 0;
  std::vector<std::string> message_boxes;
  std::vector<Open> opens;

  bool ReadCommandLine(ProcessCommandLine* line) override {
    line->raw = command_line;
    return true;
  }
  int CountConsoleProcesses() const override { return console_processes; }
  void ShowMessageBox(const std::string& text) override {
    message_boxes.push_back(text);
  }
  unsigned int GetAnsiCodePage() const override { return 1252; }
  std::string DescribeDocumentation() const override { return "the README"; }
  CommandSyntax GetCommandSyntax() const override { return syntax; }
  std::string ResolveAssemblerPath(const std::string& reference) override {
    return reference == "%KICKASS_PATH%" ? assembler_path : "?" + reference;
  }
  int RunCommand(const std::string& command) override {
    commands.push_back(command);
    now += command_ms;
    if (!write_times_after_command.empty()) {
      write_times = write_times_after_command;
    }
    return command_result;
  }
  PathLimits GetPathLimits() const override { return path_limits; }
  const LeadByteTable& GetLeadBytes() const override { return lead_bytes; }
  OpenResult OpenWithShell(const std::string& file,
                           const std::string& directory) override {
    opens.push_back({file, directory});
    return open_result;
  }
  bool AwaitOpener(OpenResult* result, int timeout_ms) override {
    if (opener_runs) {
      std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms));
      return false;
    }
    *result = opener_end;
    return true;
  }
  long FindDescendant(long, const std::string&) override { return descendant; }
  AssociationLookup FindAssociation(const std::string&, const Deadline&,
                                    Association* found) override {
    if (association_times_out) return AssociationLookup::kTimedOut;
    *found = association;
    return association.entry.empty() ? AssociationLookup::kNone
                                     : AssociationLookup::kFound;
  }
  bool ReadTextFile(const std::string& path, std::size_t,
                    std::string* text) override {
    for (const auto& file : text_files) {
      if (file.first == path) {
        *text = file.second;
        return true;
      }
    }
    return false;
  }
  bool FileExists(const std::string& path) override {
    if (existing_files == nullptr) return true;
    for (const std::string& file : *existing_files) {
      if (file == path) return true;
    }
    return false;
  }
  bool GetFileState(const std::string& path, FileState* state) override {
    if (file_states_fail) return false;
    state->size = 1000;
    for (const auto& file : write_times) {
      if (file.first == path) {
        state->written = file.second;
        return true;
      }
    }
    state->written = now;
    return FileExists(path);
  }
  std::int64_t Now() override { return now; }
  AbsolutePath GetAbsolutePath(const std::string& path,
                               std::string* absolute) override {
    if (absolute_path_fails) return AbsolutePath::kOutsideCodePage;
    *absolute = path.find(':') == std::string::npos ? "C:\\cwd\\" + path : path;
    return AbsolutePath::kMade;
  }
  const ShellWording& GetShellWording() const override { return wording; }
  EnvironmentLookup GetEnvironment(const std::string& name,
                                   std::string* value) override {
    for (const auto& variable : environment) {
      if (variable.first == name) {
        *value = variable.second;
        return EnvironmentLookup::kSet;
      }
    }
    return EnvironmentLookup::kUnset;
  }
  bool FindProgram(const std::string& name, std::string* path) override {
    for (const std::string& program : programs) {
      if (program == name) {
        *path = "C:\\Program Files\\Java\\bin\\" + name + ".exe";
        return true;
      }
    }
    return false;
  }
};

/// A monitor that plays back a script and records what it was sent.
class FakeSockets : public Sockets {
 public:
  /// Whether a connection is accepted, what it answers (one chunk a
  /// Receive; then -1, a time-out), and who listens.
  bool listening = false;
  std::vector<std::vector<unsigned char>> answers;
  ListenerOwner owner;

  std::vector<std::vector<unsigned char>> sent;
  int connects = 0;
  std::pair<std::uint32_t, int> connected_to;
  bool shut_down = false;
  bool closed = false;
  std::size_t answers_read = 0;

  /// VICE's text monitor on 6510: whether it accepts, what it was sent,
  /// and what it answers (once, then it closes).
  bool text_listening = false;
  std::string text_sent, text_answer = "(C:$e5cf) ";

  SocketHandle ConnectLoopback(std::uint32_t address, int port, int) override {
    if (port == kTextPort) return text_listening ? kTextSocket : kNoSocket;
    ++connects;
    connected_to = {address, port};
    return listening ? 3 : kNoSocket;
  }
  bool Send(SocketHandle socket, const std::vector<unsigned char>& bytes,
            int) override {
    if (socket == kTextSocket) {
      text_sent.append(bytes.begin(), bytes.end());
    } else {
      sent.push_back(bytes);
    }
    return true;
  }
  int Receive(SocketHandle socket, unsigned char* buffer, std::size_t size,
              int) override {
    if (socket == kTextSocket) {
      const std::size_t count = std::min(size, text_answer.size());
      std::copy(text_answer.begin(), text_answer.begin() + count, buffer);
      text_answer.erase(0, count);
      return static_cast<int>(count);
    }
    if (answers_read == answers.size()) return -1;
    const std::vector<unsigned char>& answer = answers[answers_read++];
    const std::size_t count = answer.size() < size ? answer.size() : size;
    std::copy(answer.begin(), answer.begin() + count, buffer);
    return static_cast<int>(count);
  }
  void ShutdownSending(SocketHandle) override {
    if (!shut_down) answers_read_at_shutdown = answers_read;
    shut_down = true;
  }
  std::size_t answers_read_at_shutdown = 0;
  void CloseSocket(SocketHandle) override { closed = true; }
  std::vector<int> other_ports;  // What a VICE's process listens on.
  std::vector<int> FindListeningPorts(long, std::uint32_t) override {
    return other_ports;
  }
  ListenerOwner FindListener(std::uint32_t, int port) override {
    ListenerOwner seen = owner;
    seen.seen = port == kTextPort ? text_listening : seen.seen || listening;
    return seen;
  }

 private:
  static constexpr int kTextPort = 6510;
  static constexpr SocketHandle kTextSocket = 4;
};

/// A window route that answers as scripted and records what it was asked.
class FakeWindowRoute : public WindowRoute {
 public:
  /// What Drop and Raise return (their route is set by the caller).
  HandOff drop;
  Raising raise = Raising::kRaised;

  /// Whether VICE's monitor window is open.
  bool monitor_window_open = false;
  /// The title of a VICE window that Find finds; none when empty.
  std::string vice_window;
  /// What Find says of the C64 window of a given VICE process (pid != 0).
  FoundWindow::Result process_window = FoundWindow::kFound;
  /// Why `vice_window` would take no drop now; whether the display answers.
  Reason vice_window_reason = Reason::kNone;
  bool display_silent = false;

  std::vector<std::string> drops;
  std::vector<long> raises;
  std::vector<long> finds;

  FakeWindowRoute() { drop.route = Route::kWindow; }
  HandOff Drop(const std::string& program, const Deadline&,
               TitlePredicate) override {
    drops.push_back(program);
    return drop;
  }
  Raising Raise(long pid, const Deadline&, TitlePredicate) override {
    raises.push_back(pid);
    return raise;
  }
  FoundWindow Find(long pid, const Deadline&, TitlePredicate matches) override {
    finds.push_back(pid);
    FoundWindow result;
    result.reason = vice_window_reason;
    if (display_silent) {
      result.result = FoundWindow::kFailed;
    } else if (pid != 0 && matches("VICE (C64SC)")) {
      result.result = process_window;
    } else if (monitor_window_open && matches("VICE monitor")) {
      result.result = FoundWindow::kFound;
    } else if (!vice_window.empty() && matches(vice_window)) {
      result.result = FoundWindow::kFound;
      result.title = vice_window;
      result.pid = 77;
    }
    return result;
  }
  std::string Describe() override { return "the X display :93"; }
};

/// The three interfaces of the system, faked, for an Application.
struct FakeSystem {
  FakePlatform platform;
  FakeSockets sockets;
  FakeWindowRoute windows;
};

}  // namespace quennet::brackwin

#endif  // BRACKWIN_TESTS_FAKE_PLATFORM_H_
