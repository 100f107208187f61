#include <gtest/gtest.h>

#include <string>

#include "app/application.h"
#include "emulator/binary_monitor.h"
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

TEST_F(LaunchTest, EveryVicesC64WindowMatchesAndNoNeighbour) {
  struct Case {
    const char* title;
    bool match;
  };
  const Case cases[] = {
      // Up to 3.1, and the native Windows UI.
      {"VICE: C64 emulator", true},
      {"x64sc - VICE: C64 emulator at 100% speed", true},
      {"VICE: C64 (x64sc) emulator", true},
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
      {"C64 settings :: Host", false},
      {"vice: c64 emulator", false},
      {"vice (c64sc)", false},
      {"VICE: C64DTV, and VICE: C64 too", true},
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

TEST_F(LaunchTest, MissingProgramIsReportedAndNothingIsLaunched) {
  std::vector<std::string> none;
  platform_.existing_files = &none;
  platform_.monitor_listening = true;
  platform_.windows = {{1, kTitle, true}};
  testing::internal::CaptureStdout();
  EXPECT_FALSE(Launch("C:\\src\\%s.asm", true));
  // The path is the argument, never the format.
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "program not found: C:\\src\\%s.prg\n");
  EXPECT_EQ(platform_.monitor_connects, 0);
  EXPECT_EQ(platform_.enumerations, 0);
  EXPECT_TRUE(platform_.opens.empty());
}

TEST_F(LaunchTest, ShellFailureIsReportedWithItsCause) {
  struct Case {
    OpenStatus status;
    int code;
    const char* message;
  };
  const Case cases[] = {
      {OpenStatus::kNoAssociation, 31,
       "no application is associated with .prg files: open one with \"Open "
       "with\", choose x64sc and \"Always\" (see the README)\n"},
      {OpenStatus::kFileNotFound, 2, "cannot open d.prg: file not found\n"},
      {OpenStatus::kAccessDenied, 5, "cannot open d.prg: access denied\n"},
      {OpenStatus::kOtherError, 26, "cannot open d.prg: error 26\n"},
      {OpenStatus::kOpenerMissing, 2,
       "cannot start xdg-open to open d.prg (Debian: install xdg-utils)\n"},
      {OpenStatus::kOpenerFailed, 2,
       "xdg-open could not open d.prg: status 2, file not found\n"},
      {OpenStatus::kOpenerFailed, -1,
       "xdg-open could not open d.prg: status -1, ended by a signal\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    platform_.open_result = {c.status, c.code, "xdg-open"};
    testing::internal::CaptureStdout();
    EXPECT_FALSE(Launch("d.asm", false));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.message);
  }
  platform_.open_result = {OpenStatus::kOpened, 42, "ShellExecute"};
  EXPECT_TRUE(Launch("d.asm", false));
}

// A monitor answer: `type`, `error` and `request_id`, with a body of `body`
// bytes.
std::vector<unsigned char> Answer(unsigned char type, unsigned char error,
                                  std::uint32_t request_id, int body = 0) {
  std::vector<unsigned char> bytes = {
      2, 2, static_cast<unsigned char>(body), 0, 0, 0, type, error};
  for (int i = 0; i < 4; ++i) bytes.push_back(request_id >> (8 * i) & 0xff);
  bytes.resize(bytes.size() + body, 0xaa);
  return bytes;
}

TEST_F(LaunchTest, MonitorThatAutostartsTheProgramEndsTheLaunch) {
  platform_.monitor_listening = true;
  platform_.windows = {{1, kTitle, true}};
  // Events first (stopped, registers), then the answer split in two.
  std::vector<unsigned char> answer = Answer(0xdd, 0, 0x6272776e);
  platform_.monitor_answers = {Answer(0x62, 0, 0xffffffff, 2),
                               Answer(0x31, 0, 0xffffffff, 30),
                               {answer.begin(), answer.begin() + 5},
                               {answer.begin() + 5, answer.end()}};
  EXPECT_TRUE(Launch("demo.asm", true));
  ASSERT_EQ(platform_.monitor_sent.size(), 1u);
  std::vector<unsigned char> request;
  ASSERT_TRUE(BuildAutostartRequest("C:\\cwd\\demo.prg", 0x6272776e, &request));
  EXPECT_EQ(platform_.monitor_sent[0], request);
  EXPECT_TRUE(platform_.monitor_closed);
  EXPECT_EQ(platform_.enumerations, 0);
  EXPECT_TRUE(platform_.opens.empty());
}

TEST_F(LaunchTest, MonitorThatFailsFallsThroughToTheWindow) {
  struct Case {
    const char* what;
    bool listening;
    std::vector<std::vector<unsigned char>> answers;
    std::string source;
  };
  const Case cases[] = {
      {"refused", false, {}, "demo.asm"},
      {"silent", true, {}, "demo.asm"},
      {"autostart failed", true, {Answer(0xdd, 0x8f, 0x6272776e)}, "demo.asm"},
      {"error reply", true, {Answer(0x00, 0x80, 0x6272776e)}, "demo.asm"},
      {"not the monitor", true, {{'H', 'T', 'T', 'P'}}, "demo.asm"},
      {"closed", true, {{}}, "demo.asm"},
      {"name too long",
       true,
       {Answer(0xdd, 0, 0x6272776e)},
       "C:\\" + std::string(250, 'd') + "\\d.asm"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform platform;
    platform.monitor_listening = c.listening;
    platform.monitor_answers = c.answers;
    platform.windows = {{1, kTitle, true}};
    Application application(platform);
    EXPECT_TRUE(application.Launch(c.source, true));
    // A name that does not fit is never sent; a socket is always closed.
    const bool fits = c.source.size() < 200;
    EXPECT_EQ(platform.monitor_connects, fits ? 1 : 0);
    EXPECT_EQ(platform.monitor_closed, fits && c.listening);
    EXPECT_EQ(platform.drops.size(), 1u);
  }
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
