// Stand-in for running emulators: one top-level window for each argument,
// each later one above the earlier ones, so that a search from the top meets
// the last one first. An argument "!TITLE" makes a disabled window, and
// "~TITLE" one that does not take dropped files (no WS_EX_ACCEPTFILES): a
// WM_DROPFILES it still receives is recorded like any other.
// Writes its process id to BRACKWIN_TEST_PID_RECORD and the windows as
// EnumWindows sees them, top first, to BRACKWIN_TEST_READY_RECORD, then records
// the argument of the window that receives WM_DROPFILES, or "timeout" after 20
// seconds (or BRACKWIN_TEST_EMULATOR_WAIT_MS). The dropped-file block is not
// read: Wine does not carry it across processes. With
// BRACKWIN_TEST_EMULATOR_HANG_MS set, it first hangs that long without
// handling a message, as a busy emulator does.
#include <map>
#include <string>

#include "record.h"

namespace {

std::map<HWND, std::string> labels;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam,
                            LPARAM lparam) {
  if (message == WM_DROPFILES) {
    WriteRecord("BRACKWIN_TEST_DROP_RECORD", {labels[window]});
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

BOOL CALLBACK ListWindow(HWND window, LPARAM lparam) {
  const auto label = labels.find(window);
  if (label != labels.end()) {
    reinterpret_cast<std::vector<std::string>*>(lparam)->push_back(
        label->second);
  }
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = "BrackwinFakeEmulator";
  RegisterClassA(&window_class);

  for (int i = 1; i < argc; ++i) {
    const bool disabled = argv[i][0] == '!';
    const bool no_drops = argv[i][0] == '~';
    HWND window = CreateWindowExA(
        no_drops ? 0 : WS_EX_ACCEPTFILES, "BrackwinFakeEmulator",
        argv[i] + (disabled || no_drops), WS_OVERLAPPEDWINDOW, 0, 0, 320, 200,
        nullptr, nullptr, window_class.hInstance, nullptr);
    labels[window] = argv[i];
    if (disabled) EnableWindow(window, FALSE);
    ShowWindow(window, SW_SHOWNORMAL);
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }

  std::vector<std::string> order;
  EnumWindows(ListWindow, reinterpret_cast<LPARAM>(&order));
  WriteRecord("BRACKWIN_TEST_PID_RECORD",
              {std::to_string(GetCurrentProcessId())});
  WriteRecord("BRACKWIN_TEST_READY_RECORD", order);
  if (const char* hang = std::getenv("BRACKWIN_TEST_EMULATOR_HANG_MS")) {
    Sleep(std::atoi(hang));
  }

  const char* wait = std::getenv("BRACKWIN_TEST_EMULATOR_WAIT_MS");
  SetTimer(nullptr, 0, wait != nullptr ? std::atoi(wait) : 20000, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER) {
      WriteRecord("BRACKWIN_TEST_DROP_RECORD", {"timeout"});
      break;
    }
    DispatchMessageA(&message);
  }
  return 0;
}
