// Stand-in for a running emulator: two top-level windows with the
// emulator's title, the disabled one above the enabled one, so that a search
// from the top meets the disabled one first. Records which window receives
// WM_DROPFILES ("enabled" or "disabled"), or "timeout" after 20 seconds.
// The dropped-file block is not read: Wine does not carry it across
// processes.
#include "record.h"

namespace {

constexpr char kTitle[] = "VICE: C64 emulator at 100% speed, 50 fps";
HWND enabled_window = nullptr;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam,
                            LPARAM lparam) {
  if (message == WM_DROPFILES) {
    WriteRecord("BRACKWIN_TEST_DROP_RECORD",
                {window == enabled_window ? "enabled" : "disabled"});
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

BOOL CALLBACK ListWindow(HWND window, LPARAM lparam) {
  char title[512] = "";
  GetWindowTextA(window, title, sizeof(title));
  if (std::string(title) == kTitle) {
    reinterpret_cast<std::vector<std::string>*>(lparam)->push_back(
        IsWindowEnabled(window) ? "enabled" : "disabled");
  }
  return TRUE;
}

}  // namespace

int main() {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = "BrackwinFakeEmulator";
  RegisterClassA(&window_class);

  enabled_window = CreateWindowA("BrackwinFakeEmulator", kTitle,
                                 WS_OVERLAPPEDWINDOW, 0, 0, 320, 200, nullptr,
                                 nullptr, window_class.hInstance, nullptr);
  HWND disabled_window = CreateWindowA(
      "BrackwinFakeEmulator", kTitle, WS_OVERLAPPEDWINDOW, 0, 0, 320, 200,
      nullptr, nullptr, window_class.hInstance, nullptr);
  EnableWindow(disabled_window, FALSE);
  ShowWindow(enabled_window, SW_SHOWNORMAL);
  ShowWindow(disabled_window, SW_SHOWNORMAL);
  SetWindowPos(disabled_window, HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  // Ready: the windows as EnumWindows sees them, top first.
  std::vector<std::string> order;
  EnumWindows(ListWindow, reinterpret_cast<LPARAM>(&order));
  WriteRecord("BRACKWIN_TEST_READY_RECORD", order);

  SetTimer(nullptr, 0, 20000, nullptr);
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
