#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
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
  testing::internal::CaptureStdout();
  EXPECT_TRUE(Launch("C:\\src\\demo.asm", true));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "C:\\src\\demo.prg: dropped onto the VICE window \"" +
                std::string(kTitle) + "\"\n");
  ASSERT_EQ(platform_.drops.size(), 1u);
  EXPECT_EQ(platform_.drops[0].window, 3u);
  EXPECT_EQ(platform_.raised, std::vector<WindowHandle>{3});
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
      // Today's titles count only at the start; the old one anywhere.
      {"VICE: C64DTV, and VICE: C64 too", false},
      {"Firefox - VICE (C64SC) manual", false},
      {"~/src - VICE: C64, press F12", false},
      {"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    FakePlatform platform;
    platform.windows = {{7, c.title, true}};
    EmulatorWindowSearch search{&platform, kNoWindow, ""};
    EXPECT_EQ(FindEmulatorWindowProc(7, &search), !c.match);
    EXPECT_EQ(search.found, c.match ? 7u : kNoWindow);
  }
}

TEST_F(LaunchTest, EachRouteSaysWhatHappened) {
  const std::string opened = "demo.prg: opened with ShellExecute\n";
  const std::string none_found =
      "no running VICE found (monitor at 127.0.0.1:6502, C64 window)";
  struct Case {
    const char* what;
    bool use_running_emulator;
    std::vector<FakePlatform::Window> windows;
    DropResult drop;
    bool desktop_answers;
    OpenStatus open;
    bool result;
    std::string output;
    std::size_t opens;
  };
  const std::vector<FakePlatform::Window> vice = {{1, "VICE (C64SC)", true}};
  const Case cases[] = {
      {"without -e", false, vice, DropResult::kDelivered, true,
       OpenStatus::kOpened, true, opened, 1},
      {"no VICE",
       true,
       {{1, "vice: c64 emulator", true}},
       DropResult::kDelivered,
       true,
       OpenStatus::kOpened,
       true,
       "demo.prg: " + none_found + "; opened with ShellExecute\n",
       1},
      {"no VICE, no association",
       true,
       {},
       DropResult::kDelivered,
       true,
       OpenStatus::kNoAssociation,
       false,
       none_found +
           "\nno application is associated with .prg files: open one with "
           "\"Open with\", choose x64sc and \"Always\" (see the README)\n",
       1},
      {"dropped", true, vice, DropResult::kDelivered, true, OpenStatus::kOpened,
       true, "demo.prg: dropped onto the VICE window \"VICE (C64SC)\"\n", 0},
      // Nothing was delivered: the shell cannot deliver it twice.
      {"unanswered", true, vice, DropResult::kUnanswered, true,
       OpenStatus::kOpened, true,
       "warning: the VICE window did not answer the drop within 2 s\n" + opened,
       1},
      {"not sent", true, vice, DropResult::kNotSent, true, OpenStatus::kOpened,
       true,
       "warning: the drop onto the VICE window \"VICE (C64SC)\" could not be "
       "sent\n" +
           opened,
       1},
      // What the shell would start needs the same display.
      {"silent desktop", true, vice, DropResult::kDelivered, false,
       OpenStatus::kOpened, false,
       "the X display :93 did not answer within 2.5 s; nothing was handed "
       "on\n",
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform platform;
    platform.windows = c.windows;
    platform.drop_result = c.drop;
    platform.desktop_answers = c.desktop_answers;
    platform.open_result.status = c.open;
    Application application(platform);
    testing::internal::CaptureStdout();
    EXPECT_EQ(application.Launch("demo.asm", c.use_running_emulator), c.result);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.output);
    EXPECT_EQ(platform.enumerations,
              c.use_running_emulator && c.desktop_answers ? 1 : 0);
    EXPECT_EQ(platform.raised.size(),
              c.output.find("dropped") != std::string::npos ? 1u : 0u);
    ASSERT_EQ(platform.opens.size(), c.opens);
    if (c.opens > 0) {
      EXPECT_EQ(platform.opens[0].file, "demo.prg");
      EXPECT_EQ(platform.opens[0].directory, "");
    }
  }
}

TEST_F(LaunchTest, RelativeSourceDropsTheFullPath) {
  // The emulator would read a relative name against its own folder.
  platform_.windows = {{5, kTitle, true}};
  EXPECT_TRUE(Launch("demo.asm", true));
  ASSERT_EQ(platform_.drops.size(), 1u);
  EXPECT_EQ(platform_.drops[0].program, "C:\\cwd\\demo.prg");
  EXPECT_EQ(platform_.drops[0].block, BuildDropFilesBlock("C:\\cwd\\demo.prg"));
}

TEST_F(LaunchTest, ProgramWhoseTimeChangedDuringTheRunIsThisBuilds) {
  // Written by the assembler on a file server whose clock lags an hour.
  const std::int64_t hour_ago =
      std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::system_clock::now().time_since_epoch())
          .count() -
      3600 * 1000;
  platform_.write_times = {{"demo.prg", hour_ago}};
  platform_.write_times_after_command = {{"demo.prg", hour_ago + 1000}};
  platform_.command_line = "brackwin -f demo.asm -r";
  Application application(platform_);
  testing::internal::CaptureStdout();
  EXPECT_EQ(application.Execute(), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "demo.prg: opened with ShellExecute\n");
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
      // A moved emulator, not a missing program: the program was found.
      {OpenStatus::kApplicationMissing, 2,
       "the application associated with .prg files was not found: fix the "
       "association (see the README)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    platform_.open_result = {c.status, c.code, "xdg-open"};
    testing::internal::CaptureStdout();
    EXPECT_FALSE(Launch("d.asm", false));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.message);
  }
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

constexpr std::uint32_t kCheckId = 0x6272776d, kAutostartId = 0x6272776e;

std::vector<unsigned char> AutostartRequest(const std::string& file) {
  std::vector<unsigned char> request;
  EXPECT_TRUE(BuildAutostartRequest(file, kAutostartId, &request));
  return request;
}

TEST_F(LaunchTest, MonitorThatAutostartsTheProgramEndsTheLaunch) {
  platform_.monitor_listening = true;
  platform_.windows = {{1, kTitle, true}};
  // Events first (registers, stopped), the machine check's answer, then the
  // autostart's split in two, then the event that the emulation resumed.
  const std::vector<unsigned char> answer = Answer(0xdd, 0, kAutostartId);
  platform_.monitor_answers = {
      Answer(0x31, 0, 0xffffffff, 30),    Answer(0x62, 0, 0xffffffff, 2),
      Answer(0x51, 0, kCheckId, 6),       {answer.begin(), answer.begin() + 5},
      {answer.begin() + 5, answer.end()}, Answer(0x63, 0, 0xffffffff, 2)};
  testing::internal::CaptureStdout();
  EXPECT_TRUE(Launch("demo.asm", true));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "demo.prg: autostarted in VICE through its monitor\n");
  EXPECT_EQ(platform_.monitor_sent,
            (std::vector<std::vector<unsigned char>>{
                BuildResourceGetRequest("C64_256Kbase", kCheckId),
                AutostartRequest("C:\\cwd\\demo.prg")}));
  // Half-closed after the resumed event, which VICE would fail to send.
  EXPECT_EQ(platform_.monitor_answers_read, platform_.monitor_answers.size());
  EXPECT_TRUE(platform_.monitor_shut_down);
  EXPECT_TRUE(platform_.monitor_closed);
  // Its window comes to the front, and gets nothing.
  EXPECT_EQ(platform_.raised, std::vector<WindowHandle>{1});
  EXPECT_TRUE(platform_.drops.empty());
  EXPECT_TRUE(platform_.opens.empty());
}

TEST_F(LaunchTest, MonitorRoutesNeverDeliverTwice) {
  const auto c64 = Answer(0x51, 0, kCheckId, 6);
  struct Case {
    const char* what;
    bool listening;
    std::vector<std::vector<unsigned char>> answers;
    std::string source;
    std::size_t requests;  // Sent to the monitor.
    bool dropped;          // Then dropped onto the window.
  };
  const std::string dropped =
      ": dropped onto the VICE window \"VICE (C64SC)\"\n";
  const Case cases[] = {
      {"refused", false, {}, "demo.asm", 0, true},
      {"no answer to the check", true, {}, "demo.asm", 1, true},
      {"not a C64", true, {Answer(0x00, 0x81, kCheckId)}, "demo.asm", 1, true},
      {"not the monitor", true, {{'H', 'T', 'T', 'P'}}, "demo.asm", 1, true},
      {"autostart failed",
       true,
       {c64, Answer(0xdd, 0x8f, kAutostartId)},
       "demo.asm",
       2,
       true},
      {"error reply",
       true,
       {c64, Answer(0x00, 0x80, kAutostartId)},
       "demo.asm",
       2,
       true},
      // Sent whole, then no answer, or a closed connection: VICE has it.
      {"unconfirmed", true, {c64}, "demo.asm", 2, false},
      {"closed", true, {c64, {}}, "demo.asm", 2, false},
      {"name too long",
       true,
       {c64},
       "C:\\" + std::string(250, 'd') + "\\d.asm",
       0,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakePlatform platform;
    platform.monitor_listening = c.listening;
    platform.monitor_answers = c.answers;
    platform.windows = {{1, "VICE (C64SC)", true}};
    Application application(platform);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(application.Launch(c.source, true));
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_EQ(platform.monitor_sent.size(), c.requests);
    EXPECT_EQ(platform.monitor_closed, c.requests > 0);
    EXPECT_EQ(platform.drops.size(), c.dropped ? 1u : 0u);
    EXPECT_TRUE(platform.opens.empty());
    if (!c.dropped) {
      EXPECT_EQ(output,
                "warning: VICE's monitor took demo.prg but did not confirm it "
                "within 1 s\n");
    } else if (std::string(c.what) == "not a C64") {
      EXPECT_EQ(output,
                "warning: the VICE on 127.0.0.1:6502 is not a C64 (x64sc or "
                "x64); it was left alone\ndemo.prg" +
                    dropped);
    } else {
      EXPECT_NE(output.find(dropped), std::string::npos);
    }
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
