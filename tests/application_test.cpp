#include "app/application.h"

#include <gtest/gtest.h>

#include <string>

#include "app/version.h"
#include "fake_platform.h"
#include "run_tool.h"

namespace quennet::brackwin {
namespace {

// The command for `source` with the java found on the PATH, or without one.
std::string WindowsCommand(const std::string& source, bool java_found = true) {
  const std::string command =
      std::string(java_found ? "\"C:\\Program Files\\Java\\bin\\java.exe\""
                             : "java") +
      " -Xms256m -Xmx512m -jar \"%KICKASS_PATH%/KickAss.jar\" \"" + source +
      "\" -showmem -afo";
  return java_found ? "\"" + command + "\"" : command;
}
const std::string kWindowsCommand = WindowsCommand("demo.asm");

class ApplicationTest : public testing::Test {
 protected:
  // Runs the tool with `switches`; keeps its output.
  int Run(const std::string& switches) {
    return RunTool(system_, switches, &output_);
  }

  FakeSystem system_;
  FakePlatform& platform_ = system_.platform;
  FakeSockets& sockets_ = system_.sockets;
  FakeWindowRoute& windows_ = system_.windows;
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
    EXPECT_EQ(output_,
              "no filename specified\n"
              "usage: brackwin -f SOURCE [-c] [-r [-e]] [-d] [-q] | --check\n");
  }
  EXPECT_TRUE(platform_.commands.empty());
}

TEST_F(ApplicationTest, WithoutCompileOrRunNothingRuns) {
  for (const char* switches :
       {"-f demo.asm", "-f demo.asm -e", "-f x -cr", "-f demo.asm --run"}) {
    SCOPED_TRACE(switches);
    EXPECT_EQ(Run(switches), -1);
    EXPECT_EQ(output_,
              "nothing to do: add -c to assemble, or -r to assemble and run "
              "(brackwin -h for help)\n");
  }
  EXPECT_TRUE(platform_.commands.empty());
}

TEST_F(ApplicationTest, SwitchesMatchCaseInsensitivelyAndFirstWins) {
  EXPECT_EQ(Run("-F demo.asm -C"), 0);
  EXPECT_EQ(Run("-c -f demo.asm -f other.asm"), 0);
  EXPECT_EQ(Run("stray -e -f demo.asm -c stray"), 0);
  EXPECT_EQ(platform_.commands, std::vector<std::string>(3, kWindowsCommand));
  EXPECT_EQ(sockets_.connects, 0);
  EXPECT_TRUE(platform_.opens.empty());
}

TEST_F(ApplicationTest, TyposAndForgottenSwitchesAreNamed) {
  const std::string usage =
      "usage: brackwin -f SOURCE [-c] [-r [-e]] [-d] [-q] | --check\n";
  const std::string nothing =
      "nothing to do: add -c to assemble, or -r to assemble and run "
      "(brackwin -h for help)\n";
  const struct {
    CommandSyntax syntax;
    const char* switches;
    int status;
    std::string output;
  } cases[] = {
      {CommandSyntax::kWindows, "-f demo.asm -c -x", 0,
       "warning: ignored: -x (the switches are -f, -c, -r, -e, -d, -q, "
       "--check, -h, --version)\n"},
      {CommandSyntax::kWindows, "-f demo.asm -c -q", 0,
       "warning: ignored: -q (it needs -r -e)\n"},
      {CommandSyntax::kWindows, "-f demo.asm -re", -1,
       nothing + "warning: ignored: -re (write -r -e)\n"},
      // A file dragged onto the exe, or -f forgotten.
      {CommandSyntax::kWindows, "demo.asm -r", -1,
       "no filename specified\ndid you mean: brackwin -f \"demo.asm\" -r\n" +
           usage},
      {CommandSyntax::kWindows, "/f demo.asm /c", -1,
       "no filename specified\ndid you mean: brackwin -f \"demo.asm\" -c\n"
       "warning: ignored: /f (write -f)\nwarning: ignored: /c (write -c)\n" +
           usage},
      // A name with spaces and no quotes; a name glued to -f.
      {CommandSyntax::kWindows, "-f C:\\work\\my src\\demo file.asm -c", 0,
       "warning: ignored: src\\demo file.asm (a name with spaces needs "
       "double quotes: -f \"C:\\work\\my src\\demo file.asm\")\n"},
      {CommandSyntax::kWindows, "-f=demo.asm -r-e", -1,
       "no filename specified\nwarning: ignored: -f=demo.asm (write -f "
       "demo.asm)\nwarning: ignored: -r-e (write -r -e)\n" +
           usage},
      {CommandSyntax::kWindows, "stray -f demo.asm -c", 0,
       "warning: ignored: stray\n"},
      {CommandSyntax::kPosix, "-fdemo.asm -c", -1,
       "no filename specified\nwarning: ignored: -fdemo.asm (write -f "
       "demo.asm)\n" +
           usage},
      {CommandSyntax::kPosix, "/src/it's.asm -r -e -d", -1,
       "no filename specified\ndid you mean: brackwin -f '/src/it'\\''s.asm' "
       "-r -e -d\n" +
           usage},
  };
  std::vector<std::string> files = {"demo.asm", "/src/it's.asm",
                                    "C:\\KickAssembler/KickAss.jar"};
  platform_.existing_files = &files;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.switches);
    platform_.syntax = c.syntax;
    EXPECT_EQ(Run(c.switches), c.status);
    EXPECT_EQ(output_, c.output);
  }
}

TEST_F(ApplicationTest, OnlyADoubleClickShowsAMessageBox) {
  // Arguments, or a console shared (cmd) or none a person sees (an
  // editor's): nothing waits for a person.
  for (const auto& [switches, processes, boxes] :
       {std::tuple<const char*, int, std::size_t>{"", 1, 1},
        {"", 2, 0},
        {"", 0, 0},
        {"-c", 1, 0}}) {
    platform_.console_processes = processes;
    platform_.message_boxes.clear();
    EXPECT_EQ(Run(switches), -1);
    EXPECT_EQ(platform_.message_boxes.size(), boxes) << switches << processes;
  }
}

TEST_F(ApplicationTest, ValueOfFIsTheNextTokenEvenASwitch) {
  // "-c" is the file name, and as a token it also asks to compile.
  EXPECT_EQ(Run("-f -c"), 0);
  EXPECT_EQ(platform_.commands, std::vector<std::string>{WindowsCommand("-c")});
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
  EXPECT_EQ(Run("-f %KICKASS_PATH%.asm -c"), -1);
  EXPECT_EQ(output_,
            "invalid filename: cmd.exe would replace %KICKASS_PATH% in it; "
            "rename the file\n");
  EXPECT_TRUE(platform_.commands.empty());
  EXPECT_TRUE(platform_.opens.empty());
}

TEST_F(ApplicationTest, RunAssemblesThenOpensTheProgram) {
  EXPECT_EQ(Run("-f C:\\src\\demo.asm -r"), 0);
  ASSERT_EQ(platform_.commands.size(), 1u);
  ASSERT_EQ(platform_.opens.size(), 1u);
  EXPECT_EQ(platform_.opens[0].file, "C:\\src\\demo.prg");
  EXPECT_EQ(platform_.opens[0].directory, "C:\\src\\");
  EXPECT_EQ(sockets_.connects, 0);
}

TEST_F(ApplicationTest, FailedAssemblyLaunchesNothing) {
  platform_.command_result = 1;
  EXPECT_EQ(Run("-f demo.asm -r -e"), -1);
  EXPECT_EQ(platform_.commands.size(), 1u);
  EXPECT_EQ(sockets_.connects, 0);
  EXPECT_TRUE(windows_.drops.empty());
  EXPECT_TRUE(platform_.opens.empty());
}

TEST_F(ApplicationTest, TooLongSourcePathLaunchesNothing) {
  const std::string source = "C:\\src\\" + std::string(256, 'n') + ".asm";
  EXPECT_EQ(Run("-f " + source + " -r"), -1);
  // Refused before the assembler runs.
  EXPECT_EQ(output_,
            "path too long: the file name is 256 bytes, at most 255 can be "
            "launched; -c still assembles it\n");
  EXPECT_TRUE(platform_.commands.empty());
  EXPECT_TRUE(platform_.opens.empty());
  // The longest name that splits still launches.
  const std::string longest = std::string(255, 'n') + ".asm";
  EXPECT_EQ(Run("-f " + longest + " -r"), 0);
  ASSERT_EQ(platform_.opens.size(), 1u);
  EXPECT_EQ(platform_.opens[0].file, std::string(255, 'n') + ".prg");
}

TEST_F(ApplicationTest, HelpAndVersionArePrintedUnlessTheyAreTheFileName) {
  const std::string usage =
      "usage: brackwin -f SOURCE [-c] [-r [-e]] [-d] [-q] | --check\n";
  const std::string version = std::string("brackwin ") + kVersion + "\n";
  const std::pair<const char*, const std::string*> cases[] = {
      {"-h", &usage},
      {"--help", &usage},
      {"/?", &usage},
      {"-c --HELP -f x.asm", &usage},
      {"--version", &version}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    EXPECT_EQ(Run(c.first), 0);
    EXPECT_EQ(output_.substr(0, c.second->size()), *c.second);
  }
  EXPECT_TRUE(platform_.commands.empty());
  // As the value of -f each is a file name like any other.
  for (const char* name : {"--help", "--version"}) {
    platform_.commands.clear();
    EXPECT_EQ(Run(std::string("-f ") + name + " -c"), 0);
    EXPECT_EQ(output_, "");
    EXPECT_EQ(platform_.commands,
              std::vector<std::string>{WindowsCommand(name)});
  }
}

TEST_F(ApplicationTest, SetupWarningsSayWhatToSetAndChangeNothing) {
  struct Case {
    const char* what;
    const char* kickass_path;  // Null: unset.
    bool java;
    const char* output;
  };
  const Case cases[] = {
      {"correct", "C:\\KA", true, ""},
      {"unset", nullptr, true,
       "warning: KICKASS_PATH is not set: set it to the folder that holds "
       "KickAss.jar\n"},
      {"empty", "", true,
       "warning: KICKASS_PATH is not set: set it to the folder that holds "
       "KickAss.jar\n"},
      {"quoted", "\"C:\\KA\"", true,
       "warning: KICKASS_PATH holds a double quote (\"C:\\KA\"): set it to "
       "the folder without quotes\n"},
      {"the archive", "C:\\KA\\KickAss.jar", true,
       "warning: KICKASS_PATH names a file (C:\\KA\\KickAss.jar): set it to "
       "the folder that holds KickAss.jar\n"},
      {"no archive", "C:\\%s", true,
       "warning: KickAss.jar is not in KICKASS_PATH (C:\\%s): set it to the "
       "folder that holds KickAss.jar\n"},
      {"no java", "C:\\KA", false,
       "warning: java is not on the PATH: install Java, or add the folder of "
       "its java program to the PATH\n"},
  };
  std::vector<std::string> files = {"C:\\KA/KickAss.jar", "C:\\KA\\KickAss.jar",
                                    "demo.prg"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeSystem system;
    FakePlatform& platform = system.platform;
    platform.existing_files = &files;
    platform.environment.clear();
    if (c.kickass_path != nullptr) {
      platform.environment = {{"KICKASS_PATH", c.kickass_path}};
    }
    if (!c.java) platform.programs.clear();
    std::string output;
    EXPECT_EQ(RunTool(system, "-f demo.asm -c", &output), 0);
    EXPECT_EQ(output, c.output);
    EXPECT_EQ(platform.commands,
              std::vector<std::string>{WindowsCommand("demo.asm", c.java)});
  }
}

}  // namespace
}  // namespace quennet::brackwin
