#include <gtest/gtest.h>

#include <string>

#include "app/application.h"
#include "emulator/drop_files.h"
#include "emulator/emulator_window.h"
#include "fake_platform.h"

namespace quennet::brackwin {
namespace {

constexpr char kTitle[] = "VICE: C64 emulator at 100% speed, 50 fps";

class LaunchTest : public testing::Test {
 protected:
  bool Launch(const std::string& source, bool use_running_emulator) {
    Application application(platform_);
    return application.Launch(source, use_running_emulator);
  }

  FakePlatform platform_;
};

TEST_F(LaunchTest, SkipsDisabledMatchAndDropsOnLaterEnabledOne) {
  platform_.windows = {{1, "Editor", true},
                       {2, kTitle, false},
                       {3, kTitle, true},
                       {4, kTitle, true}};
  EXPECT_TRUE(Launch("C:\\src\\demo.asm", true));
  ASSERT_EQ(platform_.drops.size(), 1u);
  EXPECT_EQ(platform_.drops[0].window, 3u);
  EXPECT_EQ(platform_.drops[0].program, "C:\\src\\demo.prg");
  EXPECT_EQ(platform_.drops[0].block, BuildDropFilesBlock("C:\\src\\demo.prg"));
  // The search stopped at the first match.
  EXPECT_EQ(platform_.titles_read, (std::vector<WindowHandle>{1, 2, 3}));
  EXPECT_TRUE(platform_.opens.empty());
}

TEST_F(LaunchTest, TitleMatchIsExactAndCaseSensitive) {
  struct Case {
    const char* title;
    bool match;
  };
  const Case cases[] = {
      {"VICE: C64 emulator", true},
      {"x64sc - VICE: C64 emulator at 100% speed", true},
      {"vice: c64 emulator", false},
      {"VICE: C64  emulator", false},
      {"VICE: C64 emulato", false},
      {"VICE: C128 emulator", false},
      {"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    FakePlatform platform;
    platform.windows = {{7, c.title, true}};
    EmulatorWindowSearch search{&platform};
    EXPECT_EQ(FindEmulatorWindowProc(7, &search), !c.match);
    EXPECT_EQ(search.found, c.match ? 7u : kNoWindow);
  }
}

TEST_F(LaunchTest, NoMatchTakesTheShellRoute) {
  platform_.windows = {{1, "", true}, {2, "vice: c64 emulator", true}};
  EXPECT_TRUE(Launch("C:\\src\\demo.asm", true));
  EXPECT_EQ(platform_.enumerations, 1);
  EXPECT_TRUE(platform_.drops.empty());
  ASSERT_EQ(platform_.opens.size(), 1u);
  EXPECT_EQ(platform_.opens[0].file, "C:\\src\\demo.prg");
  EXPECT_EQ(platform_.opens[0].directory, "C:\\src\\");
}

TEST_F(LaunchTest, WithoutEmulatorSwitchNoWindowIsSearched) {
  platform_.windows = {{1, kTitle, true}};
  EXPECT_TRUE(Launch("demo.asm", false));
  EXPECT_EQ(platform_.enumerations, 0);
  EXPECT_TRUE(platform_.titles_read.empty());
  EXPECT_TRUE(platform_.drops.empty());
  ASSERT_EQ(platform_.opens.size(), 1u);
  EXPECT_EQ(platform_.opens[0].file, "demo.prg");
  EXPECT_EQ(platform_.opens[0].directory, "");
}

TEST_F(LaunchTest, RelativeSourceDropsRelativeProgram) {
  platform_.windows = {{5, kTitle, true}};
  EXPECT_TRUE(Launch("demo.asm", true));
  ASSERT_EQ(platform_.drops.size(), 1u);
  EXPECT_EQ(platform_.drops[0].program, "demo.prg");
  EXPECT_EQ(platform_.drops[0].block.size(), 32u);
}

TEST_F(LaunchTest, DropThatCannotBeSentFallsBackToTheShell) {
  platform_.windows = {{5, kTitle, true}};
  platform_.drop_succeeds = false;
  EXPECT_TRUE(Launch("C:\\src\\demo.asm", true));
  EXPECT_EQ(platform_.drops.size(), 1u);
  ASSERT_EQ(platform_.opens.size(), 1u);
  EXPECT_EQ(platform_.opens[0].file, "C:\\src\\demo.prg");
}

TEST_F(LaunchTest, DoubleByteDirectoryKeepsItsTrailByte) {
  platform_.lead_bytes.AddRange(0x81, 0x9F);
  EXPECT_TRUE(Launch("C:\\\x95\x5C\\demo.asm", false));
  ASSERT_EQ(platform_.opens.size(), 1u);
  EXPECT_EQ(platform_.opens[0].file, "C:\\\x95\x5C\\demo.prg");
  EXPECT_EQ(platform_.opens[0].directory, "C:\\\x95\x5C\\");
}

TEST_F(LaunchTest, TooLongSourceLaunchesNothing) {
  platform_.windows = {{1, kTitle, true}};
  testing::internal::CaptureStdout();
  EXPECT_FALSE(Launch(std::string(300, 'a') + ".asm", true));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "path too long: " + std::string(300, 'a') + ".asm\n");
  EXPECT_EQ(platform_.enumerations, 0);
  EXPECT_TRUE(platform_.drops.empty());
  EXPECT_TRUE(platform_.opens.empty());
}

}  // namespace
}  // namespace quennet::brackwin
