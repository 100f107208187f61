#include "app/application.h"

#include <gtest/gtest.h>

#include <string>

#include "fake_platform.h"

namespace quennet::brackwin {
namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

constexpr char kWindowsCommand[] =
    "java -Xms256m -Xmx512m -jar \"%KICKASS_PATH%/KickAss.jar\" \"demo.asm\" "
    "-showmem -afo";

class ApplicationTest : public testing::Test {
 protected:
  // Runs the tool with `switches` after the program path; keeps its output.
  int Run(const std::string& switches) {
    platform_.command_line = "\"C:\\Tools\\brackwin.exe\" " + switches;
    Application application(platform_);
    CaptureStdout();
    const int status = application.Execute();
    output_ = GetCapturedStdout();
    return status;
  }

  FakePlatform platform_;
  std::string output_;
};

TEST_F(ApplicationTest, CompileRunsTheAssemblerCommand) {
  EXPECT_EQ(Run("-f demo.asm -c"), 0);
  EXPECT_EQ(platform_.commands, std::vector<std::string>{kWindowsCommand});
  EXPECT_EQ(output_, "");
  EXPECT_TRUE(platform_.opens.empty());
}

TEST_F(ApplicationTest, AssemblerFailureGivesMinusOne) {
  platform_.command_result = 3;
  EXPECT_EQ(Run("-f demo.asm -c"), -1);
  platform_.command_result = -1;  // The interpreter could not start.
  EXPECT_EQ(Run("-f demo.asm -c"), -1);
  EXPECT_EQ(platform_.commands.size(), 2u);
}

TEST_F(ApplicationTest, MissingFileNameIsReportedAndNothingRuns) {
  for (const char* switches : {"-c", "-c -f", "-f \"\" -c", "-r -e"}) {
    SCOPED_TRACE(switches);
    EXPECT_EQ(Run(switches), -1);
    EXPECT_EQ(output_, "no filename specified\n");
  }
  EXPECT_TRUE(platform_.commands.empty());
}

TEST_F(ApplicationTest, WithoutCompileOrRunNothingHappensSilently) {
  for (const char* switches : {"-f demo.asm", "-f demo.asm -e", "-f x -cr"}) {
    SCOPED_TRACE(switches);
    EXPECT_EQ(Run(switches), -1);
    EXPECT_EQ(output_, "");
  }
  EXPECT_TRUE(platform_.commands.empty());
}

TEST_F(ApplicationTest, SwitchesMatchCaseInsensitivelyAndFirstWins) {
  EXPECT_EQ(Run("-F demo.asm -C"), 0);
  EXPECT_EQ(Run("-c -f demo.asm -f other.asm"), 0);
  EXPECT_EQ(Run("stray -e -f demo.asm -c stray"), 0);
  EXPECT_EQ(platform_.commands, std::vector<std::string>(3, kWindowsCommand));
  EXPECT_EQ(platform_.enumerations, 0);
  EXPECT_TRUE(platform_.opens.empty());
}

TEST_F(ApplicationTest, ValueOfFIsTheNextTokenEvenASwitch) {
  // "-c" is the file name, and as a token it also asks to compile.
  EXPECT_EQ(Run("-f -c"), 0);
  EXPECT_EQ(platform_.commands,
            std::vector<std::string>{
                "java -Xms256m -Xmx512m -jar \"%KICKASS_PATH%/KickAss.jar\" "
                "\"-c\" -showmem -afo"});
}

TEST_F(ApplicationTest, PosixCommandUsesTheResolvedAssemblerPath) {
  platform_.syntax = CommandSyntax::kPosix;
  platform_.assembler_path = "/opt/kick ass";
  EXPECT_EQ(Run("-f \"my demo.asm\" -c"), 0);
  EXPECT_EQ(platform_.commands,
            std::vector<std::string>{
                "java -Xms256m -Xmx512m -jar '/opt/kick ass/KickAss.jar' "
                "'my demo.asm' -showmem -afo"});
}

TEST_F(ApplicationTest, UnquotableWindowsFileNameIsRefused) {
  EXPECT_EQ(Run("-f \"a\"b.asm\" -c"), -1);
  EXPECT_EQ(output_, "invalid filename: a\"b.asm\n");
  // The name is an argument, never the format.
  EXPECT_EQ(Run("-f \"%s\"%n.asm\" -r"), -1);
  EXPECT_EQ(output_, "invalid filename: %s\"%n.asm\n");
  EXPECT_TRUE(platform_.commands.empty());
  EXPECT_TRUE(platform_.opens.empty());
}

TEST_F(ApplicationTest, RunAssemblesThenOpensTheProgram) {
  EXPECT_EQ(Run("-f C:\\src\\demo.asm -r"), 0);
  ASSERT_EQ(platform_.commands.size(), 1u);
  ASSERT_EQ(platform_.opens.size(), 1u);
  EXPECT_EQ(platform_.opens[0].file, "C:\\src\\demo.prg");
  EXPECT_EQ(platform_.opens[0].directory, "C:\\src\\");
  EXPECT_EQ(platform_.enumerations, 0);
}

TEST_F(ApplicationTest, FailedAssemblyLaunchesNothing) {
  platform_.command_result = 1;
  platform_.windows = {{1, "VICE: C64 emulator", true}};
  EXPECT_EQ(Run("-f demo.asm -r -e"), -1);
  EXPECT_EQ(platform_.commands.size(), 1u);
  EXPECT_EQ(platform_.enumerations, 0);
  EXPECT_TRUE(platform_.drops.empty());
  EXPECT_TRUE(platform_.opens.empty());
}

TEST_F(ApplicationTest, TooLongSourcePathLaunchesNothing) {
  const std::string source = "C:\\src\\" + std::string(256, 'n') + ".asm";
  EXPECT_EQ(Run("-f " + source + " -r"), -1);
  EXPECT_EQ(output_, "path too long: " + source + "\n");
  EXPECT_EQ(platform_.commands.size(), 1u);
  EXPECT_TRUE(platform_.opens.empty());
  // The longest name that splits still launches.
  const std::string longest = std::string(255, 'n') + ".asm";
  EXPECT_EQ(Run("-f " + longest + " -r"), 0);
  ASSERT_EQ(platform_.opens.size(), 1u);
  EXPECT_EQ(platform_.opens[0].file, std::string(255, 'n') + ".prg");
}

}  // namespace
}  // namespace quennet::brackwin
