#include "emulator/emulator_window.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quennet::brackwin {
namespace {

constexpr char kTitle[] = "VICE: C64 emulator at 100% speed, 50 fps";

TEST(EmulatorWindowTest, EveryVicesC64WindowMatchesAndNoNeighbour) {
  struct Case {
    const char* title;
    bool match;
  };
  const Case cases[] = {
      // Up to 3.1, and the native Windows UI.
      {"VICE: C64 emulator", true},
      {"VICE: C64 (x64sc) emulator", true},
      {kTitle, true},
      // 3.2.
      {"VICE: C64 at 100% speed, 50 fps", true},
      // GTK3, 3.3 to 3.10, with and without mouse grab.
      {"VICE (C64SC)", true},
      {"VICE (C64)", true},
      {"VICE (C64SC) (Use Alt+M to disable mouse grab)", true},
      // SDL.
      {"VICE: C64 (x64sc), press \"F12\" for the menu.", true},
      {"VICE: C64, press \"F10\" for the menu.", true},
      {"VICE: C64", true},
      // Other machines, other windows, other cases.
      {"VICE (C64DTV)", false},
      {"VICE (C128)", false},
      {"VICE (SCPU64)", false},
      {"VICE: C64DTV at 100% speed", false},
      {"VICE: C128 emulator", false},
      {"VICE: SCPU64 (xscpu64), press \"F12\" for the menu.", false},
      {"VSID: The VICE SID player", false},
      {"VICE monitor", false},
      {"C64 Settings", false},
      {"vice: c64 emulator", false},
      {"vice (c64sc)", false},
      // Titles count only at their start, the old ones too.
      {"Re: VICE: C64 emulator won't start - Mozilla Firefox", false},
      {"x64sc - VICE: C64 emulator at 100% speed", false},
      {"Firefox - VICE (C64SC) manual", false},
      {"~/src - VICE: C64, press F12", false},
      {"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    EXPECT_EQ(IsEmulatorTitle(c.title), c.match);
    // Of these, only the monitor's own window is the monitor's.
    EXPECT_EQ(IsMonitorTitle(c.title), std::string(c.title) == "VICE monitor");
  }
}

}  // namespace
}  // namespace quennet::brackwin
