// The Windows platform: the raw command line, the system's cmd.exe, the
// ANSI code page, the user32/shell32 services that
// open a program.

#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>
#include <shlwapi.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/platform.h"

namespace quennet::brackwin {
namespace {

// `text` in the ANSI code page, into `ansi`. Returns false when a character
// has no exact counterpart there. The "A" functions of Windows replace such
// a character by a look-alike ("best fit": L for Ł, " for a fullwidth
// quote), which names another file or splits a command line anew; here it
// is refused instead.
bool Narrow(const std::wstring& text, std::string* ansi) {
  const UINT code_page = GetACP();
  // The UTF-8 code page holds every character and takes neither the flag
  // nor the default-character report; it can only meet a lone surrogate.
  const bool utf8 = code_page == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL used_default = FALSE;
  BOOL* report = utf8 ? nullptr : &used_default;
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(code_page, flags, text.data(), length,
                                       nullptr, 0, nullptr, report);
  if (size == 0 && length != 0) return false;
  std::string bytes(size, '\0');
  WideCharToMultiByte(code_page, flags, text.data(), length, &bytes[0], size,
                      nullptr, report);
  if (used_default) return false;
  *ansi = bytes;
  return true;
}

// The absolute form of `path`. The wide call, unlike GetFullPathNameA, is
// not bound to MAX_PATH.
std::wstring FullPath(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
  full.resize(length < size ? length : 0);
  return full.empty() ? path : full;
}

// The \\?\ form of `path`, which the wide file functions take at any length
// up to about 32,767 characters instead of MAX_PATH (260).
std::wstring ExtendedPath(const std::string& path) {
  const std::wstring full = FullPath(WidenAnsi(path));
  if (full.compare(0, 4, L"\\\\?\\") == 0) return full;
  if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC" + full.substr(1);
  return L"\\\\?\\" + full;
}

// How the program that the shell started with `process` goes: one that
// exits within a second with a failure did not open the file. The wait ends
// early once the program waits for input (WaitForInputIdle); a console
// program has no input queue, and is waited for the whole second. Closes
// `process`.
void ConfirmStarted(HANDLE process, OpenResult* result) {
  constexpr DWORD kStartCapMs = 1000;
  const ULONGLONG started = GetTickCount64();
  if (WaitForInputIdle(process, kStartCapMs) != 0) {
    const ULONGLONG spent = GetTickCount64() - started;
    WaitForSingleObject(process, spent < kStartCapMs
                                     ? static_cast<DWORD>(kStartCapMs - spent)
                                     : 0);
  }
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0 &&
      GetExitCodeProcess(process, &code) && code != 0) {
    char path[MAX_PATH];
    DWORD size = sizeof(path);
    if (QueryFullProcessImageNameA(process, 0, path, &size)) {
      result->program.assign(path, size);
    }
    result->status = OpenStatus::kProgramFailed;
    result->code = static_cast<int>(code);
  }
  CloseHandle(process);
}

// The standard handle `which`, made inheritable so that a child can be
// handed it: one that our parent gave us need not be.
HANDLE Inheritable(DWORD which) {
  const HANDLE handle = GetStdHandle(which);
  SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  return handle;
}

bool IsFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(ExtendedPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

class Win32Platform : public Platform {
 public:
  Win32Platform() : lead_bytes_(ReadAnsiLeadBytes(nullptr)) {}

  // GetCommandLineA would be the wide line with each character that the code
  // page lacks replaced by a look-alike; see Narrow.
  bool ReadCommandLine(ProcessCommandLine* line) override {
    line->split = false;
    return Narrow(GetCommandLineW(), &line->raw);
  }

  unsigned int GetAnsiCodePage() const override { return GetACP(); }

  // A console made for this process alone (Explorer's double click) has
  // this one process on it and closes with it. An editor's hidden console
  // has no visible window: 0 there, so that nothing waits for a person.
  int CountConsoleProcesses() const override {
    const HWND window = GetConsoleWindow();
    if (window == nullptr || !IsWindowVisible(window)) return 0;
    DWORD processes[2];
    return static_cast<int>(GetConsoleProcessList(processes, 2));
  }

  void ShowMessageBox(const std::string& text) override {
    MessageBoxW(nullptr, WidenAnsi(text).c_str(), L"brackwin",
                MB_OK | MB_ICONINFORMATION);
  }

  // The README ships beside the exe.
  std::string DescribeDocumentation() const override { return "the README"; }

  CommandSyntax GetCommandSyntax() const override {
    return CommandSyntax::kWindows;
  }

  // cmd.exe expands %KICKASS_PATH% itself.
  std::string ResolveAssemblerPath(const std::string& reference) override {
    return reference;
  }

  // The system's own cmd.exe, whose rules the command is quoted for (not
  // COMSPEC, which may name another interpreter), started as
  //   "C:\Windows\system32\cmd.exe" /D /V:OFF /S /C COMMAND
  // /D: no AutoRun command from the registry runs first. /V:OFF: a '!' in
  // a name stays a '!' even where the registry turns delayed expansion on.
  // /S: cmd.exe strips the first and the last quote of COMMAND, which is
  // why COMMAND carries one extra pair already. The console and the
  // standard handles are this process's, and the exit code is the
  // command's, as system() gave them.
  // NoDefaultCurrentDirectoryInExePath keeps cmd.exe from looking a bare
  // program name up in the current folder first, where a project's own
  // java.bat would run instead of Java; _putenv sets it in the system's
  // environment, which the child inherits, and in the runtime's copy.
  int RunCommand(const std::string& command) override {
    _putenv("NoDefaultCurrentDirectoryInExePath=1");
    std::fflush(nullptr);
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return -1;
    const std::wstring interpreter =
        std::wstring(folder, length) + L"\\cmd.exe";
    std::wstring line =
        L"\"" + interpreter + L"\" /D /V:OFF /S /C " + WidenAnsi(command);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = Inheritable(STD_INPUT_HANDLE);
    startup.hStdOutput = Inheritable(STD_OUTPUT_HANDLE);
    startup.hStdError = Inheritable(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process;
    if (!CreateProcessW(interpreter.c_str(), &line[0], nullptr, nullptr, TRUE,
                        0, nullptr, nullptr, &startup, &process)) {
      return -1;
    }
    CloseHandle(process.hThread);
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.hProcess, &code)) {
      code = static_cast<DWORD>(-1);
    }
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
  }

  // The shell's: a part of the source of 256 bytes or more gives a program
  // path that it cannot open.
  PathLimits GetPathLimits() const override { return PathLimits(); }

  const LeadByteTable& GetLeadBytes() const override { return lead_bytes_; }

  OpenResult OpenWithShell(const std::string& file,
                           const std::string& directory) override {
    // The file, verb and folder of ShellExecute, with the process handle
    // where the shell starts the application itself. hInstApp carries
    // ShellExecute's own result: above 32 on success, an error code of 32
    // or less otherwise, in the type of an instance handle.
    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = "open";
    info.lpFile = file.c_str();
    info.lpDirectory = directory.c_str();
    info.nShow = SW_SHOWNORMAL;
    const BOOL executed = ShellExecuteExA(&info);
    const auto code = reinterpret_cast<INT_PTR>(info.hInstApp);
    OpenResult result;
    result.opener = "ShellExecute";
    result.code = static_cast<int>(code);
    if (executed && code > 32) {
      if (info.hProcess != nullptr) ConfirmStarted(info.hProcess, &result);
      return result;
    }
    // The shell takes no path beyond MAX_PATH, and says so only as "file
    // not found" or a like error; measured under Wine, paths of 256 to 259
    // characters already fail so, while the association is fine.
    const std::size_t length = FullPath(WidenAnsi(file)).size();
    if (length >= MAX_PATH ||
        (length >= 256 && (code == SE_ERR_FNF || code == SE_ERR_PNF))) {
      result.status = OpenStatus::kPathTooLong;
      result.code = static_cast<int>(length);
      return result;
    }
    switch (code) {
      case SE_ERR_NOASSOC:
      case SE_ERR_ASSOCINCOMPLETE:
        result.status = OpenStatus::kNoAssociation;
        break;
      case SE_ERR_FNF:
      case SE_ERR_PNF:
        // Said of the associated program too, when it has been moved.
        result.status = IsFile(file) ? OpenStatus::kApplicationMissing
                                     : OpenStatus::kFileNotFound;
        break;
      case SE_ERR_ACCESSDENIED:
        result.status = OpenStatus::kAccessDenied;
        break;
      default:
        result.status = OpenStatus::kOtherError;
        break;
    }
    return result;
  }

  // There is no opener to wait for: the shell has started the application
  // (or handed the file to it, through DDE or a running instance) when
  // OpenWithShell returns.
  bool AwaitOpener(OpenResult*, int) override { return true; }
  long FindDescendant(long, const std::string&) override { return 0; }

  // The command the shell runs for "open" on the file's extension, and its
  // program: AssocQueryString(ASSOCSTR_EXECUTABLE) fails exactly when that
  // program is gone, so the program is taken from the command instead.
  // The registry answers at once: no deadline is needed.
  AssociationLookup FindAssociation(const std::string& file, const Deadline&,
                                    Association* association) override {
    const std::size_t dot = file.rfind('.');
    if (dot == std::string::npos) return AssociationLookup::kNone;
    const std::wstring extension = WidenAnsi(file.substr(dot));
    wchar_t command[2048];
    DWORD size = sizeof(command) / sizeof(command[0]);
    if (FAILED(AssocQueryStringW(ASSOCF_NOTRUNCATE, ASSOCSTR_COMMAND,
                                 extension.c_str(), L"open", command, &size))) {
      return AssociationLookup::kNone;
    }
    if (!Narrow(command, &association->entry)) return AssociationLookup::kNone;
    const std::string& text = association->entry;
    if (!text.empty() && text[0] == '"') {
      association->program = text.substr(1, text.find('"', 1) - 1);
      association->program_found = IsFile(association->program);
      return AssociationLookup::kFound;
    }
    // Unquoted, the program ends at a space, as CreateProcess splits it: at
    // each space in turn, the first prefix that names a file (with ".exe"
    // where it has no extension) is the program. Where none does, the name
    // runs through its ".exe", or else to the first space.
    std::string lower = text;
    for (char& c : lower)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::size_t exe = lower.find(".exe");
    association->program = exe != std::string::npos
                               ? text.substr(0, exe + 4)
                               : text.substr(0, text.find(' '));
    for (std::size_t space = 0; space != std::string::npos;) {
      space = text.find(' ', space + 1);
      const std::string prefix = text.substr(0, space);
      const std::size_t slash = prefix.find_last_of("\\/");
      const bool has_extension =
          prefix.find('.', slash == std::string::npos ? 0 : slash) !=
          std::string::npos;
      for (const std::string& candidate :
           {prefix, has_extension ? prefix : prefix + ".exe"}) {
        if (IsFile(candidate)) {
          association->program = candidate;
          association->program_found = true;
          return AssociationLookup::kFound;
        }
      }
    }
    association->program_found = false;
    return AssociationLookup::kFound;
  }

  bool ReadTextFile(const std::string& path, std::size_t max_bytes,
                    std::string* text) override {
    const HANDLE file =
        CreateFileW(ExtendedPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    text->resize(max_bytes);
    DWORD read = 0;
    const BOOL ok = ReadFile(file, &(*text)[0], static_cast<DWORD>(max_bytes),
                             &read, nullptr);
    CloseHandle(file);
    text->resize(ok ? read : 0);
    return ok != FALSE;
  }

  bool FileExists(const std::string& path) override { return IsFile(path); }

  std::int64_t Now() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
  }

  bool GetFileState(const std::string& path, FileState* state) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(ExtendedPath(path).c_str(), GetFileExInfoStandard,
                              &data)) {
      return false;
    }
    // 100-nanosecond steps since 1601.
    const std::int64_t ticks =
        static_cast<std::int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 |
        data.ftLastWriteTime.dwLowDateTime;
    constexpr std::int64_t kTicksFrom1601To1970 = 116444736000000000;
    state->written = (ticks - kTicksFrom1601To1970) / 10000;
    state->size = static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 |
                  data.nFileSizeLow;
    return true;
  }

  // The current directory may hold characters that the code page lacks;
  // then no ANSI name of the file exists.
  AbsolutePath GetAbsolutePath(const std::string& path,
                               std::string* absolute) override {
    return Narrow(FullPath(WidenAnsi(path)), absolute)
               ? AbsolutePath::kMade
               : AbsolutePath::kOutsideCodePage;
  }

  // Explorer's terms, and ShellExecute's limit, as measured above.
  const ShellWording& GetShellWording() const override {
    static const ShellWording wording = {
        "open one with \"Open with\", choose x64sc and \"Always\"",
        ".prg",
        "there is no desktop session",
        "the shell",
        "run it by hand to see its message",
        "it is part of Windows",
        "it opens paths of at most 255"};
    return wording;
  }

  EnvironmentLookup GetEnvironment(const std::string& name,
                                   std::string* value) override {
    std::wstring text;
    if (!ReadVariable(WidenAnsi(name), &text)) return EnvironmentLookup::kUnset;
    return Narrow(text, value) ? EnvironmentLookup::kSet
                               : EnvironmentLookup::kOutsideCodePage;
  }

  // Each PATH entry (quotes removed), each time with every extension of
  // PATHEXT; not the current directory, which cmd.exe would search first. A
  // folder whose name the code page lacks cannot be looked into here and is
  // passed over.
  bool FindProgram(const std::string& name, std::string* found) override {
    std::string path, extensions;
    GetEnvironment("PATH", &path);
    if (GetEnvironment("PATHEXT", &extensions) != EnvironmentLookup::kSet ||
        extensions.empty()) {
      extensions = ".COM;.EXE;.BAT;.CMD";
    }
    const std::vector<std::string> directories = Split(path);
    for (const std::string& directory : directories) {
      if (directory.empty()) continue;
      std::string base = directory;
      if (base.back() != '\\' && base.back() != '/') base += '\\';
      base += name;
      for (const std::string& extension : Split(extensions)) {
        if (!extension.empty() && IsFile(base + extension)) {
          *found = base + extension;
          return true;
        }
      }
    }
    return false;
  }

 private:
  // The value of the variable `name`; false when it is unset.
  static bool ReadVariable(const std::wstring& name, std::wstring* value) {
    SetLastError(ERROR_SUCCESS);
    const DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (size == 0) {
      // Unset, or set to the empty string.
      value->clear();
      return GetLastError() != ERROR_ENVVAR_NOT_FOUND;
    }
    std::wstring text(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name.c_str(), &text[0], size);
    text.resize(length < size ? length : 0);
    *value = text;
    return true;
  }

  // The pieces of a ';'-separated list, with double quotes removed.
  static std::vector<std::string> Split(const std::string& list) {
    std::vector<std::string> pieces(1);
    for (const char c : list) {
      if (c == ';') {
        pieces.emplace_back();
      } else if (c != '"') {
        pieces.back() += c;
      }
    }
    return pieces;
  }

  const LeadByteTable lead_bytes_;
};

}  // namespace

// The Windows command line is raw already; argc and argv are not needed.
Platform& GetPlatform(int, char**) {
  static Win32Platform platform;
  return platform;
}

}  // namespace quennet::brackwin
