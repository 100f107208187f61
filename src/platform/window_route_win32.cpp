// The window route on Windows: the topmost top-level window whose title is
// VICE's and that takes dropped files now gets WM_DROPFILES, as Explorer
// sends it. GTK 3 VICE, SDL
// VICE and VICE 2.x all act on that message (GTK 3.24 calls
// DragAcceptFiles on its drop targets unless
// GDK_WIN32_USE_EXPERIMENTAL_OLE2_DND is set).

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "shared/drop_files.h"
#include "shared/window_route.h"

namespace quennet::brackwin {
namespace {

// A VICE window that one EnumWindows pass met, topmost first.
struct Candidate {
  HWND window = nullptr;
  std::string title;
  DWORD pid = 0;
};

// The state of one EnumWindows pass.
struct Search {
  TitlePredicate is_vice = nullptr;
  DWORD pid = 0;  // 0: any process.
  std::vector<Candidate> found;
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
  search->found.push_back({window, title, pid});
  return TRUE;
}

Search FindWindows(TitlePredicate is_vice, long pid) {
  Search search;
  search.is_vice = is_vice;
  search.pid = static_cast<DWORD>(pid);
  EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
  return search;
}

// Why `window` would not take a drop now: disabled (a dialog is open in
// VICE), without WS_EX_ACCEPTFILES (DefWindowProc ignores WM_DROPFILES
// there), or hung; Reason::kNone when it would. A posted message lands in a
// hung window's queue as well, where nothing handles it. SMTO_ABORTIFHUNG
// returns at once for a window that Windows already counts as hung;
// otherwise the window has until `deadline`, at most kResponsiveCapMs, to
// answer.
Reason CheckDropTarget(HWND window, const Deadline& deadline) {
  if (!IsWindowEnabled(window)) return Reason::kDisabled;
  if ((GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) == 0) {
    return Reason::kTakesNoDrops;
  }
  DWORD_PTR answer = 0;
  if (SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                          deadline.MillisecondsLeft(kResponsiveCapMs),
                          &answer) == 0) {
    return Reason::kNotResponding;
  }
  return Reason::kNone;
}

// The topmost window of `search` that takes a drop, in `target`; where
// none does, `target` is the topmost one, and the reason is returned.
Reason ChooseDropTarget(const Search& search, const Deadline& deadline,
                        Candidate* target) {
  Reason first = Reason::kNone;
  for (const Candidate& candidate : search.found) {
    const Reason reason = CheckDropTarget(candidate.window, deadline);
    if (reason == Reason::kNone) {
      *target = candidate;
      return reason;
    }
    if (first == Reason::kNone) {
      first = reason;
      *target = candidate;
    }
  }
  return first;
}

// Neither call waits for the window's thread: ShowWindowAsync posts the
// restore. Windows gives the foreground only to a process that may take it,
// such as one the foreground editor started; otherwise the window flashes
// in the taskbar.
void BringForward(HWND window) {
  if (IsIconic(window)) ShowWindowAsync(window, SW_RESTORE);
  SetForegroundWindow(window);
}

HandOff Result(const Candidate& target, Outcome outcome,
               Reason reason = Reason::kNone) {
  HandOff result;
  result.route = Route::kWindow;
  result.outcome = outcome;
  result.reason = reason;
  result.title = target.title;
  result.pid = target.pid;
  return result;
}

class Win32WindowRoute : public WindowRoute {
 public:
  // A window that takes no drop now (disabled, without WS_EX_ACCEPTFILES,
  // or hung) is passed over for the next; where none takes it, the
  // topmost one's reason is the refusal.
  HandOff Drop(const std::string& absolute_program, const Deadline& deadline,
               TitlePredicate is_vice) override {
    const Search search = FindWindows(is_vice, 0);
    Candidate target;
    if (search.found.empty()) return Result(target, Outcome::kAbsent);
    const Reason reason = ChooseDropTarget(search, deadline, &target);
    if (reason != Reason::kNone) {
      return Result(target, Outcome::kRefused, reason);
    }

    // A movable, zeroed, shareable global block, as WM_DROPFILES expects.
    const std::vector<unsigned char> bytes =
        BuildDropFilesBlock(absolute_program);
    constexpr UINT kFlags = GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE;
    HGLOBAL block = GlobalAlloc(kFlags, bytes.size());
    void* memory = block != nullptr ? GlobalLock(block) : nullptr;
    if (memory == nullptr) {
      if (block != nullptr) GlobalFree(block);
      return Result(target, Outcome::kRefused, Reason::kNotSent);
    }
    std::memcpy(memory, bytes.data(), bytes.size());
    GlobalUnlock(block);
    if (!PostMessageA(target.window, WM_DROPFILES,
                      reinterpret_cast<WPARAM>(block), 0)) {
      // Nothing was delivered. A window of a process with higher rights
      // (VICE run as administrator) is shielded from our messages.
      const DWORD error = GetLastError();
      GlobalFree(block);
      return Result(
          target, Outcome::kRefused,
          error == ERROR_ACCESS_DENIED ? Reason::kElevated : Reason::kNotSent);
    }
    // The block is not freed: when the system copies it into the receiver
    // is not documented, and this process ends at once anyway.
    BringForward(target.window);
    return Result(target, Outcome::kDelivered);
  }

  Raising Raise(long pid, const Deadline& deadline,
                TitlePredicate is_vice) override {
    const Search search = FindWindows(is_vice, pid);
    Candidate target;
    if (search.found.empty()) return Raising::kNoWindow;
    ChooseDropTarget(search, deadline, &target);
    BringForward(target.window);
    return Raising::kRaised;
  }

  // Any window counts as there; its `reason` says whether it takes a drop,
  // and one that does is preferred.
  FoundWindow Find(long pid, const Deadline& deadline,
                   TitlePredicate matches) override {
    const Search search = FindWindows(matches, pid);
    FoundWindow found;
    if (search.found.empty()) return found;
    Candidate target;
    found.reason = ChooseDropTarget(search, deadline, &target);
    found.result = FoundWindow::kFound;
    found.title = target.title;
    found.pid = static_cast<long>(target.pid);
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
