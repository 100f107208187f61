#include "app/assembler_command.h"

#include <gtest/gtest.h>

namespace quennet::brackwin {
namespace {

TEST(AssemblerCommandTest, WindowsFormQuotesBothPaths) {
  EXPECT_EQ(BuildAssemblerCommand(CommandSyntax::kWindows, "%KICKASS_PATH%",
                                  "C:\\My Files\\demo.asm"),
            "java -Xms256m -Xmx512m -jar \"%KICKASS_PATH%/KickAss.jar\" "
            "\"C:\\My Files\\demo.asm\" -showmem -afo");
  // cmd.exe metacharacters stay literal inside the quotes.
  EXPECT_EQ(BuildAssemblerCommand(CommandSyntax::kWindows, "%KICKASS_PATH%",
                                  "a&b^(c)!;,.asm"),
            "java -Xms256m -Xmx512m -jar \"%KICKASS_PATH%/KickAss.jar\" "
            "\"a&b^(c)!;,.asm\" -showmem -afo");
}

TEST(AssemblerCommandTest, WindowsFormDoublesBackslashesBeforeClosingQuote) {
  // Otherwise java's runtime reads \" as a quote inside the argument.
  EXPECT_EQ(BuildAssemblerCommand(CommandSyntax::kWindows, "K", "C:\\src\\"),
            "java -Xms256m -Xmx512m -jar \"K/KickAss.jar\" \"C:\\src\\\\\" "
            "-showmem -afo");
  EXPECT_EQ(BuildAssemblerCommand(CommandSyntax::kWindows, "K", "a\\b\\\\"),
            "java -Xms256m -Xmx512m -jar \"K/KickAss.jar\" \"a\\b\\\\\\\\\" "
            "-showmem -afo");
}

TEST(AssemblerCommandTest, PosixFormSingleQuotesBothPaths) {
  EXPECT_EQ(BuildAssemblerCommand(CommandSyntax::kPosix, "/opt/kick ass",
                                  "my demo.asm"),
            "java -Xms256m -Xmx512m -jar '/opt/kick ass/KickAss.jar' "
            "'my demo.asm' -showmem -afo");
  EXPECT_EQ(
      BuildAssemblerCommand(CommandSyntax::kPosix, "/o'k", "it's $(x) `y`.asm"),
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
