// The window route on Windows: the first enabled top-level window whose
// title is VICE's gets WM_DROPFILES, as Explorer sends it. GTK 3 VICE, SDL
// VICE and VICE 2.x all act on that message (GTK 3.24 calls
// DragAcceptFiles on its drop targets unless
// GDK_WIN32_USE_EXPERIMENTAL_OLE2_DND is set).

#include <windows.h>

#include <cstring>
#include <string>

#include "shared/drop_files.h"
#include "shared/window_route.h"

namespace quennet::brackwin {
namespace {

// The state of one EnumWindows pass.
struct Search {
  TitlePredicate is_vice = nullptr;
  DWORD pid = 0;  // 0: any process.
  HWND found = nullptr;
  std::string title;
  DWORD found_pid = 0;
  std::string disabled_title;  // The first VICE window that was disabled.
};

BOOL CALLBACK Visit(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  // For another process's window GetWindowText reads the stored caption
  // and sends no message, so a hung window cannot hold the search up.
  char text[512];
  const int length = GetWindowTextA(window, text, sizeof(text));
  if (length <= 0) return TRUE;
  const std::string title(text, length);
  if (!search->is_vice(title)) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (search->pid != 0 && pid != search->pid) return TRUE;
  if (!IsWindowEnabled(window)) {
    if (search->disabled_title.empty()) search->disabled_title = title;
    return TRUE;
  }
  search->found = window;
  search->title = title;
  search->found_pid = pid;
  return FALSE;
}

Search FindWindow(TitlePredicate is_vice, long pid) {
  Search search;
  search.is_vice = is_vice;
  search.pid = static_cast<DWORD>(pid);
  EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
  return search;
}

// Neither call waits for the window's thread: ShowWindowAsync posts the
// restore. Windows gives the foreground only to a process that may take it,
// such as one the foreground editor started; otherwise the window flashes
// in the taskbar.
void BringForward(HWND window) {
  if (IsIconic(window)) ShowWindowAsync(window, SW_RESTORE);
  SetForegroundWindow(window);
}

HandOff Result(const Search& search, Outcome outcome,
               Reason reason = Reason::kNone) {
  HandOff result;
  result.route = Route::kWindow;
  result.outcome = outcome;
  result.reason = reason;
  result.title = search.title;
  result.pid = search.found_pid;
  return result;
}

class Win32WindowRoute : public WindowRoute {
 public:
  HandOff Drop(const std::string& absolute_program, const Deadline& deadline,
               TitlePredicate is_vice) override {
    Search search = FindWindow(is_vice, 0);
    if (search.found == nullptr) {
      // A dialog open in VICE disables its window; say so rather than that
      // there is no VICE.
      if (search.disabled_title.empty())
        return Result(search, Outcome::kAbsent);
      search.title = search.disabled_title;
      return Result(search, Outcome::kRefused, Reason::kDisabled);
    }
    // A posted message lands in a hung window's queue as well, where nothing
    // handles it. SMTO_ABORTIFHUNG returns at once for a window that Windows
    // already counts as hung; otherwise the window has this long to answer.
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutA(
            search.found, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK,
            deadline.MillisecondsLeft(kResponsiveCapMs), &answer) == 0) {
      return Result(search, Outcome::kRefused, Reason::kNotResponding);
    }

    // A movable, zeroed, shareable global block, as WM_DROPFILES expects.
    const std::vector<unsigned char> bytes =
        BuildDropFilesBlock(absolute_program);
    constexpr UINT kFlags = GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE;
    HGLOBAL block = GlobalAlloc(kFlags, bytes.size());
    void* memory = block != nullptr ? GlobalLock(block) : nullptr;
    if (memory == nullptr) {
      if (block != nullptr) GlobalFree(block);
      return Result(search, Outcome::kRefused, Reason::kNotSent);
    }
    std::memcpy(memory, bytes.data(), bytes.size());
    GlobalUnlock(block);
    if (!PostMessageA(search.found, WM_DROPFILES,
                      reinterpret_cast<WPARAM>(block), 0)) {
      // Nothing was delivered. A window of a process with higher rights
      // (VICE run as administrator) is shielded from our messages.
      const DWORD error = GetLastError();
      GlobalFree(block);
      return Result(
          search, Outcome::kRefused,
          error == ERROR_ACCESS_DENIED ? Reason::kElevated : Reason::kNotSent);
    }
    // The block is not freed: when the system copies it into the receiver
    // is not documented, and this process ends at once anyway.
    BringForward(search.found);
    return Result(search, Outcome::kDelivered);
  }

  Raising Raise(long pid, const Deadline&, TitlePredicate is_vice) override {
    const Search search = FindWindow(is_vice, pid);
    if (search.found == nullptr) return Raising::kNoWindow;
    BringForward(search.found);
    return Raising::kRaised;
  }

  // A disabled window (a dialog open) is there too.
  FoundWindow Find(long pid, const Deadline&, TitlePredicate matches) override {
    const Search search = FindWindow(matches, pid);
    FoundWindow found;
    found.title = search.title;
    if (search.found != nullptr || !search.disabled_title.empty()) {
      found.result = FoundWindow::kFound;
    }
    return found;
  }

  std::string Describe() override { return "the desktop"; }
};

}  // namespace

WindowRoute& GetWindowRoute() {
  static Win32WindowRoute route;
  return route;
}

}  // namespace quennet::brackwin
