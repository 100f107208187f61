#include "emulator/emulator_window.h"

#include <cstring>

#include "emulator/drop_files.h"

namespace quennet::brackwin {
namespace {

// What the C64 window of each VICE is called. A title matches when it holds
// `text` (at its start, when `at_start`) followed by one of the bytes of
// `next`, or by the end of the title; with `next` null anything may follow.
// Today's titles begin with the text: one that holds it further on belongs
// to another program, such as a browser tab about VICE.
struct TitlePattern {
  const char* text;
  bool at_start;
  const char* next;
};
constexpr TitlePattern kTitlePatterns[] = {
    // VICE up to 3.1, every UI: "VICE: C64 emulator", "VICE: C64 (x64sc)
    // emulator"; the native Windows UI adds " at 100% speed, 50 fps". It has
    // always matched anywhere in the title, and still does.
    {"VICE: C64 emulator", false, nullptr},
    // GTK3 UI, 3.3 to 3.10, Windows and Linux: "VICE (C64SC)" for x64sc,
    // "VICE (C64)" for x64; mouse grab appends " (Use Alt+M to disable mouse
    // grab)". Neither holds "VICE (C64DTV)", "VICE (C128)" or "VICE
    // (SCPU64)".
    {"VICE (C64)", true, nullptr},
    {"VICE (C64SC)", true, nullptr},
    // SDL UI, 3.x: "VICE: C64 (x64sc), press "F12" for the menu." and
    // "VICE: C64, press ..."; VICE 3.2: "VICE: C64 at 100% speed, 50 fps".
    // C64 must be the whole machine name, so "VICE: C64DTV" does not match.
    {"VICE: C64", true, " ,"},
};

bool Matches(const std::string& title, const TitlePattern& pattern) {
  const std::size_t length = std::strlen(pattern.text);
  const std::size_t last = pattern.at_start ? 0 : std::string::npos;
  for (std::size_t at = title.find(pattern.text);
       at != std::string::npos && at <= last;
       at = title.find(pattern.text, at + 1)) {
    const std::size_t after = at + length;
    if (pattern.next == nullptr || after == title.size() ||
        (title[after] != '\0' &&
         std::strchr(pattern.next, title[after]) != nullptr)) {
      return true;
    }
  }
  return false;
}

WindowOutcome OutcomeOf(DropResult result) {
  switch (result) {
    case DropResult::kDelivered:
      return WindowOutcome::kDelivered;
    case DropResult::kUnanswered:
      return WindowOutcome::kUnanswered;
    case DropResult::kRefused:
      return WindowOutcome::kRefused;
    case DropResult::kNotSent:
      break;
  }
  return WindowOutcome::kNotSent;
}

}  // namespace

bool IsEmulatorTitle(const std::string& title) {
  for (const TitlePattern& pattern : kTitlePatterns) {
    if (Matches(title, pattern)) return true;
  }
  return false;
}

bool FindEmulatorWindowProc(WindowHandle window, void* context) {
  auto* search = static_cast<EmulatorWindowSearch*>(context);
  const std::string title = search->platform->GetWindowTitle(window);
  if (!search->platform->IsWindowEnabled(window) || title.empty()) return true;
  if (!IsEmulatorTitle(title)) return true;
  search->found = window;
  search->title = title;
  return false;
}

WindowHandle FindEmulatorWindow(Platform& platform, std::string* title) {
  EmulatorWindowSearch search{&platform, kNoWindow, ""};
  platform.EnumerateWindows(FindEmulatorWindowProc, &search);
  *title = search.title;
  return search.found;
}

bool HandToEmulatorWindow(Platform& platform,
                          const std::string* absolute_program,
                          WindowReport* report) {
  // Runs apart from us (under X11 in a child process), so the report comes
  // back as text: the outcome's letter, then the title.
  const DesktopTask task = [&platform, absolute_program]() {
    std::string title;
    const WindowHandle window = FindEmulatorWindow(platform, &title);
    WindowOutcome outcome = WindowOutcome::kRaised;
    if (window == kNoWindow) {
      outcome = WindowOutcome::kNoWindow;
    } else if (absolute_program != nullptr) {
      outcome = OutcomeOf(platform.DropFile(
          window, *absolute_program, BuildDropFilesBlock(*absolute_program)));
    }
    if (outcome == WindowOutcome::kDelivered ||
        outcome == WindowOutcome::kRaised) {
      platform.RaiseWindow(window);
    }
    return static_cast<char>(outcome) + title;
  };
  std::string text;
  if (!platform.RunDesktopTask(kWindowRouteDeadlineMs, task, &text) ||
      text.empty() || std::strchr("ndsurf", text[0]) == nullptr) {
    return false;
  }
  report->outcome = static_cast<WindowOutcome>(text[0]);
  report->title = text.substr(1);
  return true;
}

}  // namespace quennet::brackwin
