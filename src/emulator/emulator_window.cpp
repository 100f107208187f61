#include "emulator/emulator_window.h"

#include <cstring>

namespace quennet::brackwin {
namespace {

// What the C64 window of each VICE is called. A title matches when it
// begins with `text` followed by one of the bytes of `next`, or by the end
// of the title; with `next` null anything may follow. Every VICE title
// begins with its text: one that holds it further on belongs to another
// program, such as a browser tab about VICE ("Re: VICE: C64 emulator won't
// start - Mozilla Firefox").
struct TitlePattern {
  const char* text;
  const char* next;
};
constexpr TitlePattern kTitlePatterns[] = {
    // VICE up to 3.1, every UI: "VICE: C64 emulator", "VICE: C64 (x64sc)
    // emulator"; the native Windows UI adds " at 100% speed, 50 fps".
    {"VICE: C64 emulator", nullptr},
    // GTK3 UI, 3.3 to 3.10, Windows and Linux: "VICE (C64SC)" for x64sc,
    // "VICE (C64)" for x64; mouse grab appends " (Use Alt+M to disable mouse
    // grab)". Neither holds "VICE (C64DTV)", "VICE (C128)" or "VICE
    // (SCPU64)".
    {"VICE (C64)", nullptr},
    {"VICE (C64SC)", nullptr},
    // SDL UI, 3.x: "VICE: C64 (x64sc), press "F12" for the menu." and
    // "VICE: C64, press ..."; VICE 3.2: "VICE: C64 at 100% speed, 50 fps".
    // C64 must be the whole machine name, so "VICE: C64DTV" does not match.
    {"VICE: C64", " ,"},
};

bool Matches(const std::string& title, const TitlePattern& pattern) {
  const std::size_t length = std::strlen(pattern.text);
  if (title.compare(0, length, pattern.text) != 0) return false;
  return pattern.next == nullptr || title.size() == length ||
         (title[length] != '\0' &&
          std::strchr(pattern.next, title[length]) != nullptr);
}

}  // namespace

bool IsEmulatorTitle(const std::string& title) {
  for (const TitlePattern& pattern : kTitlePatterns) {
    if (Matches(title, pattern)) return true;
  }
  return false;
}

bool IsMonitorTitle(const std::string& title) {
  return title.compare(0, 12, "VICE monitor") == 0;
}

}  // namespace quennet::brackwin
