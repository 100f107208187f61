// The Windows platform: the raw command line, cmd.exe through the C
// runtime's system(), the ANSI code page, and the user32/shell32 services
// that hand a program to the emulator.

#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/code_page.h"
#include "platform/platform.h"

namespace quennet::brackwin {
namespace {

// What EnumWindows passes through its LPARAM to the thunk below.
struct Enumeration {
  EnumWindowsProc proc;
  void* context;
};

BOOL CALLBACK EnumerationThunk(HWND window, LPARAM lparam) {
  const auto* enumeration = reinterpret_cast<const Enumeration*>(lparam);
  return enumeration->proc(reinterpret_cast<WindowHandle>(window),
                           enumeration->context)
             ? TRUE
             : FALSE;
}

HWND ToHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }

class Win32Platform : public Platform {
 public:
  Win32Platform() : lead_bytes_(ReadAnsiLeadBytes(nullptr)) {}

  std::string GetRawCommandLine() override { return GetCommandLineA(); }

  CommandSyntax GetCommandSyntax() const override {
    return CommandSyntax::kWindows;
  }

  // cmd.exe expands %KICKASS_PATH% itself.
  std::string ResolveAssemblerPath(const std::string& reference) override {
    return reference;
  }

  // The runtime's system() runs COMSPEC (else cmd.exe) with /c and waits; it
  // gives the command's exit code, or -1 when the interpreter cannot start.
  int RunCommand(const std::string& command) override {
    std::fflush(nullptr);
    return std::system(command.c_str());
  }

  const LeadByteTable& GetLeadBytes() const override { return lead_bytes_; }

  void EnumerateWindows(EnumWindowsProc proc, void* context) override {
    Enumeration enumeration{proc, context};
    EnumWindows(EnumerationThunk, reinterpret_cast<LPARAM>(&enumeration));
  }

  std::string GetWindowTitle(WindowHandle window) override {
    char title[512];
    const int length = GetWindowTextA(ToHwnd(window), title, sizeof(title));
    return std::string(title, length > 0 ? length : 0);
  }

  bool IsWindowEnabled(WindowHandle window) override {
    return ::IsWindowEnabled(ToHwnd(window)) != FALSE;
  }

  bool DropFile(WindowHandle window, const std::string&,
                const std::vector<unsigned char>& drop_files) override {
    // A movable, zeroed, shareable global block, as WM_DROPFILES expects.
    constexpr UINT kFlags = GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE;
    HGLOBAL block = GlobalAlloc(kFlags, drop_files.size());
    if (block == nullptr) return false;
    void* bytes = GlobalLock(block);
    if (bytes == nullptr) {
      GlobalFree(block);
      return false;
    }
    std::memcpy(bytes, drop_files.data(), drop_files.size());
    GlobalUnlock(block);

    // Posting copies a WM_DROPFILES block into the receiving process before
    // it returns, so the block can be freed once the window had its moment.
    // Whether the window takes the drop is its own business.
    PostMessageA(ToHwnd(window), WM_DROPFILES, reinterpret_cast<WPARAM>(block),
                 0);
    UpdateWindow(ToHwnd(window));
    Sleep(1);
    GlobalFree(block);
    return true;
  }

  void OpenWithShell(const std::string& file,
                     const std::string& directory) override {
    ShellExecuteA(nullptr, "open", file.c_str(), nullptr, directory.c_str(),
                  SW_SHOWNORMAL);
  }

 private:
  const LeadByteTable lead_bytes_;
};

}  // namespace

LeadByteTable ReadAnsiLeadBytes(unsigned int* code_page) {
  const UINT ansi_code_page = GetACP();
  if (code_page != nullptr) *code_page = ansi_code_page;
  LeadByteTable table;
  CPINFO info;
  if (GetCPInfo(ansi_code_page, &info)) {
    // Pairs of first and last byte, ended by a pair of zeros.
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
      table.AddRange(info.LeadByte[i], info.LeadByte[i + 1]);
    }
  }
  return table;
}

// The Windows command line is raw already; argc and argv are not needed.
Platform& GetPlatform(int, char**) {
  static Win32Platform platform;
  return platform;
}

}  // namespace quennet::brackwin
