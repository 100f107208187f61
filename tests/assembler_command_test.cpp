#include "app/assembler_command.h"

#include <gtest/gtest.h>

#include "shared/shell_quote.h"

namespace quennet::brackwin {
namespace {

TEST(AssemblerCommandTest, WindowsFormQuotesBothPaths) {
  EXPECT_EQ(BuildAssemblerCommand(CommandSyntax::kWindows, "java",
                                  "%KICKASS_PATH%", "C:\\My Files\\demo.asm"),
            "java -Xms256m -Xmx512m -jar \"%KICKASS_PATH%/KickAss.jar\" "
            "\"C:\\My Files\\demo.asm\" -showmem -afo");
  // cmd.exe metacharacters stay literal inside the quotes.
  EXPECT_EQ(BuildAssemblerCommand(CommandSyntax::kWindows, "java",
                                  "%KICKASS_PATH%", "a&b^(c)!;,.asm"),
            "java -Xms256m -Xmx512m -jar \"%KICKASS_PATH%/KickAss.jar\" "
            "\"a&b^(c)!;,.asm\" -showmem -afo");
}

TEST(AssemblerCommandTest, WindowsFormDoublesBackslashesBeforeClosingQuote) {
  // Otherwise java's runtime reads \" as a quote inside the argument.
  EXPECT_EQ(
      BuildAssemblerCommand(CommandSyntax::kWindows, "java", "K", "C:\\src\\"),
      "java -Xms256m -Xmx512m -jar \"K/KickAss.jar\" \"C:\\src\\\\\" "
      "-showmem -afo");
  EXPECT_EQ(
      BuildAssemblerCommand(CommandSyntax::kWindows, "java", "K", "a\\b\\\\"),
      "java -Xms256m -Xmx512m -jar \"K/KickAss.jar\" \"a\\b\\\\\\\\\" "
      "-showmem -afo");
}

TEST(AssemblerCommandTest, JavaByItsFullPathSurvivesCmdsQuoteStripping) {
  // cmd /c drops the first and the last quote of a command that begins with
  // one: the outer pair is for it.
  EXPECT_EQ(BuildAssemblerCommand(CommandSyntax::kWindows,
                                  "C:\\Program Files\\Java\\bin\\java.exe", "K",
                                  "demo.asm"),
            "\"\"C:\\Program Files\\Java\\bin\\java.exe\" -Xms256m -Xmx512m "
            "-jar \"K/KickAss.jar\" \"demo.asm\" -showmem -afo\"");
}

TEST(AssemblerCommandTest, DebugRunAsksForViceSymbols) {
  EXPECT_EQ(
      BuildAssemblerCommand(CommandSyntax::kPosix, "java", "K", "d.asm", true),
      "java -Xms256m -Xmx512m -jar 'K/KickAss.jar' 'd.asm' -showmem -afo "
      "-vicesymbols");
}

TEST(AssemblerCommandTest, ReferencesThatCmdWouldReplaceAreFound) {
  const auto is_set = [](const std::string& name) {
    return name == "OS" || name == "PATH";
  };
  const struct {
    const char* source;
    const char* reference;
  } cases[] = {
      {"%OS%.asm", "%OS%"},
      {"a%OS:~0,3%b.asm", "%OS:~0,3%"},
      {"%OS:_NT=%.asm", "%OS:_NT=%"},
      {"C:\\%cd%\\x.asm", "%cd%"},  // cmd.exe's own, in any case
      {"%__APPDIR__%.asm", "%__APPDIR__%"},
      {"a%PROMPT%.asm", "%PROMPT%"},  // cmd.exe sets it where it is unset
      {"a%NoDefaultCurrentDirectoryInExePath%.asm",
       "%NoDefaultCurrentDirectoryInExePath%"},
      {"%nodef%OS%.asm", "%OS%"},  // the closing % opens the next pair
      {"50%.asm", ""},
      {"%nodef%.asm", ""},
      {"100%% %.asm", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    EXPECT_EQ(FindExpandedReference(c.source, is_set), c.reference);
  }
}

TEST(AssemblerCommandTest, PosixFormSingleQuotesBothPaths) {
  EXPECT_EQ(BuildAssemblerCommand(CommandSyntax::kPosix, "java",
                                  "/opt/kick ass", "my demo.asm"),
            "java -Xms256m -Xmx512m -jar '/opt/kick ass/KickAss.jar' "
            "'my demo.asm' -showmem -afo");
  EXPECT_EQ(BuildAssemblerCommand(CommandSyntax::kPosix, "java", "/o'k",
                                  "it's $(x) `y`.asm"),
            "java -Xms256m -Xmx512m -jar '/o'\\''k/KickAss.jar' "
            "'it'\\''s $(x) `y`.asm' -showmem -afo");
}

TEST(AssemblerCommandTest, QuotePosixWord) {
  EXPECT_EQ(QuotePosixWord(""), "''");
  EXPECT_EQ(QuotePosixWord("'"), "''\\'''");
  EXPECT_EQ(QuotePosixWord("a\nb\\"), "'a\nb\\'");
}

TEST(AssemblerCommandTest, WindowsRefusesQuotesAndControlBytes) {
  EXPECT_TRUE(IsQuotableSource(CommandSyntax::kWindows, "C:\\My Files\\a.asm"));
  EXPECT_TRUE(IsQuotableSource(CommandSyntax::kWindows, "\x95\\ \x7F.asm"));
  EXPECT_FALSE(IsQuotableSource(CommandSyntax::kWindows, "a\"b.asm"));
  EXPECT_FALSE(IsQuotableSource(CommandSyntax::kWindows, "a\tb.asm"));
  EXPECT_FALSE(IsQuotableSource(CommandSyntax::kWindows, "a\nb.asm"));
  EXPECT_FALSE(IsQuotableSource(CommandSyntax::kWindows, "\x1F"));
  // A POSIX shell can hold every byte in single quotes.
  EXPECT_TRUE(IsQuotableSource(CommandSyntax::kPosix, "a\"b\t\n'.asm"));
}

}  // namespace
}  // namespace quennet::brackwin
