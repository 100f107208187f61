#ifndef BRACKWIN_TESTS_FAKE_PLATFORM_H_
#define BRACKWIN_TESTS_FAKE_PLATFORM_H_

#include <string>
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
  bool drop_succeeds = true;

  // The record.
  std::vector<std::string> commands;
  int enumerations = 0;
  std::vector<WindowHandle> titles_read;
  std::vector<Drop> drops;
  std::vector<Open> opens;

  std::string GetRawCommandLine() override { return command_line; }
  CommandSyntax GetCommandSyntax() const override { return syntax; }
  std::string ResolveAssemblerPath(const std::string& reference) override {
    return reference == "%KICKASS_PATH%" ? assembler_path : "?" + reference;
  }
  int RunCommand(const std::string& command) override {
    commands.push_back(command);
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
  bool DropFile(WindowHandle window, const std::string& program,
                const std::vector<unsigned char>& block) override {
    drops.push_back({window, program, block});
    return drop_succeeds;
  }
  void OpenWithShell(const std::string& file,
                     const std::string& directory) override {
    opens.push_back({file, directory});
  }

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
