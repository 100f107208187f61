#ifndef BRACKWIN_TESTS_FAKE_PLATFORM_H_
#define BRACKWIN_TESTS_FAKE_PLATFORM_H_

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace quennet::brackwin {

/// A platform that plays back a scripted desktop and records every request.
class FakePlatform : public Platform {
 public:
  struct Window {
    WindowHandle handle;
    std::string title;
    bool enabled;
  };
  struct Drop {
    WindowHandle window;
    std::string program;
    std::vector<unsigned char> block;
  };
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
  std::vector<Window> windows;
  DropResult drop_result = DropResult::kDelivered;
  /// Whether the desktop task finishes in time.
  bool desktop_answers = true;
  OpenResult open_result = {OpenStatus::kOpened, 42, "ShellExecute"};
  /// Files that exist; when null, every file does.
  std::vector<std::string>* existing_files = nullptr;
  /// When files were last written, in ms since 1970; any other file that
  /// exists was written just now.
  std::vector<std::pair<std::string, std::int64_t>> write_times;
  /// When set, what `write_times` becomes once a command ran.
  std::vector<std::pair<std::string, std::int64_t>> write_times_after_command;
  std::vector<std::pair<std::string, std::string>> environment = {
      {"KICKASS_PATH", "C:\\KickAssembler"}};
  std::vector<std::string> programs = {"java"};
  /// The monitor: whether a connection is accepted, what it answers (one
  /// chunk a Receive; then -1, a time-out) and what was sent.
  bool monitor_listening = false;
  std::vector<std::vector<unsigned char>> monitor_answers;

  // The record.
  std::vector<std::string> commands;
  int enumerations = 0;
  std::vector<WindowHandle> titles_read;
  std::vector<Drop> drops;
  std::vector<WindowHandle> raised;
  std::vector<Open> opens;
  std::vector<std::vector<unsigned char>> monitor_sent;
  int monitor_connects = 0;
  bool monitor_shut_down = false;
  bool monitor_closed = false;
  std::size_t monitor_answers_read = 0;

  bool ReadCommandLine(ProcessCommandLine* line) override {
    line->raw = command_line;
    return true;
  }
  unsigned int GetAnsiCodePage() const override { return 1252; }
  CommandSyntax GetCommandSyntax() const override { return syntax; }
  std::string ResolveAssemblerPath(const std::string& reference) override {
    return reference == "%KICKASS_PATH%" ? assembler_path : "?" + reference;
  }
  int RunCommand(const std::string& command) override {
    commands.push_back(command);
    if (!write_times_after_command.empty()) {
      write_times = write_times_after_command;
    }
    return command_result;
  }
  const LeadByteTable& GetLeadBytes() const override { return lead_bytes; }
  void EnumerateWindows(EnumWindowsProc proc, void* context) override {
    ++enumerations;
    for (const Window& window : windows) {
      if (!proc(window.handle, context)) return;
    }
  }
  std::string GetWindowTitle(WindowHandle handle) override {
    titles_read.push_back(handle);
    return Find(handle).title;
  }
  bool IsWindowEnabled(WindowHandle handle) override {
    return Find(handle).enabled;
  }
  void RaiseWindow(WindowHandle window) override { raised.push_back(window); }
  DropResult DropFile(WindowHandle window, const std::string& program,
                      const std::vector<unsigned char>& block) override {
    drops.push_back({window, program, block});
    return drop_result;
  }
  bool RunDesktopTask(int, const DesktopTask& task,
                      std::string* report) override {
    if (!desktop_answers) return false;
    *report = task();
    return true;
  }
  std::string DescribeDesktop() override { return "the X display :93"; }
  OpenResult OpenWithShell(const std::string& file,
                           const std::string& directory) override {
    opens.push_back({file, directory});
    return open_result;
  }
  bool FileExists(const std::string& path) override {
    if (existing_files == nullptr) return true;
    for (const std::string& file : *existing_files) {
      if (file == path) return true;
    }
    return false;
  }
  bool GetModificationTime(const std::string& path,
                           std::int64_t* time) override {
    for (const auto& file : write_times) {
      if (file.first == path) {
        *time = file.second;
        return true;
      }
    }
    *time = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::system_clock::now().time_since_epoch())
                .count();
    return FileExists(path);
  }
  bool GetAbsolutePath(const std::string& path,
                       std::string* absolute) override {
    *absolute = path.find(':') == std::string::npos ? "C:\\cwd\\" + path : path;
    return true;
  }
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
  bool FindProgram(const std::string& name) override {
    for (const std::string& program : programs) {
      if (program == name) return true;
    }
    return false;
  }
  SocketHandle ConnectLoopback(int, int) override {
    ++monitor_connects;
    return monitor_listening ? 3 : kNoSocket;
  }
  bool Send(SocketHandle, const std::vector<unsigned char>& bytes,
            int) override {
    monitor_sent.push_back(bytes);
    return true;
  }
  int Receive(SocketHandle, unsigned char* buffer, std::size_t size,
              int) override {
    if (monitor_answers_read == monitor_answers.size()) return -1;
    const std::vector<unsigned char>& answer =
        monitor_answers[monitor_answers_read++];
    const std::size_t count = answer.size() < size ? answer.size() : size;
    std::copy(answer.begin(), answer.begin() + count, buffer);
    return static_cast<int>(count);
  }
  void ShutdownSending(SocketHandle) override { monitor_shut_down = true; }
  void CloseSocket(SocketHandle) override { monitor_closed = true; }

 private:
  const Window& Find(WindowHandle handle) const {
    static const Window kNone{kNoWindow, "", false};
    for (const Window& window : windows) {
      if (window.handle == handle) return window;
    }
    return kNone;
  }
};

}  // namespace quennet::brackwin

#endif  // BRACKWIN_TESTS_FAKE_PLATFORM_H_
