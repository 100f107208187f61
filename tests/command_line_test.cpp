#include "cmdline/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quennet::brackwin {
namespace {

std::vector<std::string> Tokens(const std::string& line) {
  const CommandLine command_line(line);
  return {command_line.GetArgs().begin(), command_line.GetArgs().end()};
}

using V = std::vector<std::string>;

TEST(CommandLineTest, SplitsQuotedAndUnquotedTokens) {
  EXPECT_EQ(Tokens("tool.exe -f \"C:\\My Files\\demo.asm\" -c"),
            (V{"tool.exe", "-f", "C:\\My Files\\demo.asm", "-c"}));
  EXPECT_EQ(Tokens("\"C:\\Tools\\tool.exe\" -c"),
            (V{"C:\\Tools\\tool.exe", "-c"}));
  // A quoted last token closes at the end of the line.
  EXPECT_EQ(Tokens("t -f \"a b.asm\""), (V{"t", "-f", "a b.asm"}));
  // No escape character: backslashes are ordinary bytes.
  EXPECT_EQ(Tokens("t \"a\\\" b\\\\"), (V{"t", "a\\", "b\\\\"}));
}

TEST(CommandLineTest, QuoteNotFollowedBySpaceIsOrdinary) {
  // A closing quote needs white space or the end after it.
  EXPECT_EQ(Tokens("t -f \"a b.asm\"-c"), (V{"t", "-f", "a b.asm\"-c"}));
  // A quote inside an unquoted token is an ordinary byte.
  EXPECT_EQ(Tokens("t -f a\"b c\""), (V{"t", "-f", "a\"b", "c\""}));
}

TEST(CommandLineTest, EmptyAndUnclosedQuotedTokens) {
  EXPECT_EQ(Tokens("t -f \"\" -c"), (V{"t", "-f", "", "-c"}));
  EXPECT_EQ(Tokens("t -f \"a b -c"), (V{"t", "-f", "a b -c"}));
  EXPECT_EQ(Tokens("t \""), (V{"t", ""}));
}

TEST(CommandLineTest, WhiteSpace) {
  EXPECT_EQ(Tokens("t\t-f\tx\v-c\r\n-e"), (V{"t", "-f", "x", "-c", "-e"}));
  EXPECT_EQ(Tokens("t   -c"), (V{"t", "-c"}));
  // The end of the line is tested before white space is skipped.
  EXPECT_EQ(Tokens("tool -c "), (V{"tool", "-c"}));
  EXPECT_EQ(Tokens("tool -c  "), (V{"tool", "-c", ""}));
  EXPECT_EQ(Tokens("   "), (V{""}));
  EXPECT_EQ(Tokens(""), (V{}));
  // Bytes from 0x80 up are never white space, whatever the locale says.
  EXPECT_EQ(Tokens("t \xA0x \x85"), (V{"t", "\xA0x", "\x85"}));
}

TEST(FindOptionTest, FindsFirstOccurrenceCaseInsensitively) {
  std::string value = "unchanged";
  EXPECT_TRUE(FindOption(CommandLine("tool -F x.asm"), "-f", &value));
  EXPECT_EQ(value, "x.asm");
  EXPECT_TRUE(FindOption(CommandLine("t -f a.asm -f b.asm"), "-f", &value));
  EXPECT_EQ(value, "a.asm");
  // The next token is the value, whatever it looks like.
  EXPECT_TRUE(FindOption(CommandLine("t -f -c"), "-f", &value));
  EXPECT_EQ(value, "-c");
  // Token 0 takes part.
  EXPECT_TRUE(FindOption(CommandLine("-c x"), "-c", &value));
  EXPECT_EQ(value, "x");
}

TEST(FindOptionTest, LastTokenGivesEmptyValueAndMissingLeavesItAlone) {
  std::string value = "unchanged";
  EXPECT_TRUE(FindOption(CommandLine("t -c -f"), "-f", &value));
  EXPECT_EQ(value, "");
  value = "unchanged";
  EXPECT_FALSE(FindOption(CommandLine("t -c -ff x"), "-f", &value));
  EXPECT_EQ(value, "unchanged");
}

TEST(CompareNoCaseTest, FoldsOnlyAsciiLetters) {
  EXPECT_EQ(CompareNoCase("-F", "-f"), 0);
  EXPECT_EQ(CompareNoCase("KickAss", "kICKaSS"), 0);
  EXPECT_NE(CompareNoCase("-f", "-g"), 0);
  EXPECT_NE(CompareNoCase("-f", "-f "), 0);
  EXPECT_NE(CompareNoCase("", "x"), 0);
  // '[' and '{' are 0x20 apart like letters, but are not letters.
  EXPECT_NE(CompareNoCase("[", "{"), 0);
  EXPECT_NE(CompareNoCase("@", "`"), 0);
  // Latin-1 capitals do not fold onto their small letters.
  EXPECT_NE(CompareNoCase("\xC4", "\xE4"), 0);
  EXPECT_EQ(CompareNoCase("\xC4x", "\xC4X"), 0);
}

TEST(CompareNoCaseTest, OrdersBytesAsUnsigned) {
  EXPECT_LT(CompareNoCase("a", "\x80"), 0);
  EXPECT_GT(CompareNoCase("\xFF", "a"), 0);
  EXPECT_LT(CompareNoCase("ab", "abc"), 0);
}

}  // namespace
}  // namespace quennet::brackwin
