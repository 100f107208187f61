#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "run_tool.h"

namespace quennet::brackwin {
namespace {

class LaunchTest : public testing::Test {
 protected:
  FakeSystem system_;
  std::string output_;
  FakePlatform& platform_ = system_.platform;
};

TEST_F(LaunchTest, OnlyAProgramWrittenDuringTheRunIsLaunched) {
  // The run starts at `start` and the assembler takes 10 s; an unchanged
  // program counts as this run's within 2 s (FAT's step) of the run.
  const std::int64_t start = FakePlatform().now, end = start + 10000;
  const std::string stale =
      "demo.prg was not written by this build (does the source write another "
      "file?)\n";
  struct Case {
    const char* what;
    std::int64_t before, after;  // The program's time around the assembler.
    bool launched;
  };
  const Case cases[] = {
      // On a file server whose clock lags an hour: changed, so written.
      {"changed", start - 3600000, start - 3599000, true},
      {"unchanged, 1.5 s before the start", start - 1500, start - 1500, true},
      {"unchanged, 2.5 s before the start", start - 2500, start - 2500, false},
      {"unchanged, 1.5 s after the end", end + 1500, end + 1500, true},
      // A file server's clock ahead.
      {"unchanged, 2.5 s after the end", end + 2500, end + 2500, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeSystem system;
    system.platform.write_times = {{"demo.prg", c.before}};
    system.platform.write_times_after_command = {{"demo.prg", c.after}};
    system.platform.command_ms = 10000;
    EXPECT_EQ(RunTool(system, "-f demo.asm -r", &output_), c.launched ? 0 : -1);
    EXPECT_EQ(output_,
              c.launched ? "demo.prg: opened with ShellExecute\n" : stale);
  }
  // Where it cannot be told, the program counts as this run's.
  FakeSystem unreadable;
  unreadable.platform.file_states_fail = true;
  EXPECT_EQ(RunTool(unreadable, "-f demo.asm -r"), 0);
}

TEST_F(LaunchTest, MissingProgramIsReportedAndNothingIsLaunched) {
  std::vector<std::string> none = {"C:\\KickAssembler/KickAss.jar"};
  platform_.existing_files = &none;
  system_.sockets.listening = true;
  EXPECT_EQ(RunTool(system_, "-f C:\\src\\%s.asm -r -e", &output_), -1);
  // The path is the argument, never the format.
  EXPECT_EQ(output_, "program not found: C:\\src\\%s.prg\n");
  EXPECT_EQ(system_.sockets.connects, 0);
  EXPECT_TRUE(system_.windows.drops.empty());
  EXPECT_TRUE(platform_.opens.empty());
}

TEST_F(LaunchTest, DoubleByteDirectoryKeepsItsTrailByte) {
  platform_.lead_bytes.AddRange(0x81, 0x9F);
  EXPECT_EQ(RunTool(system_, "-f C:\\\x95\x5C\\demo.asm -r", &output_), 0);
  ASSERT_EQ(platform_.opens.size(), 1u);
  EXPECT_EQ(platform_.opens[0].file, "C:\\\x95\x5C\\demo.prg");
  EXPECT_EQ(platform_.opens[0].directory, "C:\\\x95\x5C\\");
}

TEST_F(LaunchTest, TooLongSourceLaunchesNothing) {
  EXPECT_EQ(
      RunTool(system_, "-f " + std::string(300, 'a') + ".asm -r -e", &output_),
      -1);
  EXPECT_EQ(output_,
            "path too long: the file name is 300 bytes, at most 255 can be "
            "launched; -c still assembles it\n");
  EXPECT_TRUE(platform_.commands.empty());
  EXPECT_TRUE(system_.windows.drops.empty());
  EXPECT_TRUE(platform_.opens.empty());
}

}  // namespace
}  // namespace quennet::brackwin
