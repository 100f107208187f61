#include "emulator/vice_symbols.h"

#include <gtest/gtest.h>

#include <string>

namespace quennet::brackwin {
namespace {

TEST(ViceSymbolsTest, LabelsAndBreakpointsAreReadTheRestCounted) {
  const std::string text =
      "al C:21d4 .ClearScreen\n"
      "al C:0810 .loop__0\r\n"
      "al C:0812 .\x1b[2J\n"  // A control byte: not sent to VICE.
      "\n"
      "break 80d \n"
      "break 1523 if y<5 \t\n"
      "\tbreak C0FE\n"
      "break\n"              // No address.
      "break 12345\n"        // Not 16 bits.
      "break $c000\n"        // Not the file's form.
      "break 1000 when x\n"  // Not a condition.
      "watch store 0400\n"
      "junk";
  const ViceSymbols symbols = ParseViceSymbols(text);
  EXPECT_EQ(symbols.labels, (std::vector<std::string>{"al C:21d4 .ClearScreen",
                                                      "al C:0810 .loop__0"}));
  EXPECT_EQ(symbols.skipped, 7);
  ASSERT_EQ(symbols.breakpoints.size(), 3u);
  const struct {
    std::uint16_t address;
    const char* condition;
    int line;
  } expected[] = {{0x080d, "", 5}, {0x1523, "y<5", 6}, {0xc0fe, "", 7}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(symbols.breakpoints[i].address, expected[i].address);
    EXPECT_EQ(symbols.breakpoints[i].condition, expected[i].condition);
    EXPECT_EQ(symbols.breakpoints[i].line, expected[i].line);
  }
  EXPECT_EQ(SymbolFile("C:\\src\\demo.prg"), "C:\\src\\demo.vs");
}

}  // namespace
}  // namespace quennet::brackwin
