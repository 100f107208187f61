#include "emulator/quick_program.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quennet::brackwin {
namespace {

// A program at `load` whose first BASIC line's text is `text`, then `code`.
std::vector<unsigned char> Program(unsigned load, const std::string& text,
                                   std::size_t code = 4) {
  const std::string bytes = std::string{static_cast<char>(load & 0xff),
                                        static_cast<char>(load >> 8),
                                        0x0b,
                                        0x08,
                                        0x0a,
                                        0x00} +
                            text + '\0' + std::string(code, '\xea');
  return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

TEST(QuickProgramTest, OnlyASysLineAtBasicsStartOutsideTheSystemAreasGoesIn) {
  const std::string sys = "\x9e";
  const struct {
    std::vector<unsigned char> file;
    QuickCheck check;
    int entry;
  } cases[] = {
      {Program(0x0801, sys + "2061"), QuickCheck::kReady, 2061},
      {Program(0x0801, " " + sys + " ( 4 096 ) "), QuickCheck::kReady, 4096},
      {Program(0x0801, sys + "49152:\x8f"), QuickCheck::kReady, 49152},
      {Program(0x0801,
               "\x99"
               "2061"),
       QuickCheck::kNoSysLine, 0},  // PRINT
      {Program(0x0801, sys), QuickCheck::kNoSysLine, 0},
      {Program(0x0801, sys + "65536"), QuickCheck::kNoSysLine, 0},
      {Program(0x0801, sys + "2061+1"), QuickCheck::kNoSysLine, 0},
      {{0x01, 0x08, 0x0b, 0x08, 0x0a, 0x00, 0x9e, '2'},
       QuickCheck::kNoSysLine,
       0},  // Cut short.
      {Program(0xc000, sys + "2061"), QuickCheck::kNoSysLine, 0},
      {{0x01}, QuickCheck::kTooShort, 0},
      {Program(0x03f0, sys + "2061"), QuickCheck::kSystem, 0},
      {Program(0x0801, sys + "2061", 0xd000 - 0x0801), QuickCheck::kSystem, 0},
      {Program(0xdff0, sys + "2061"), QuickCheck::kSystem, 0},
      {Program(0xffe0, sys + "2061", 0x20), QuickCheck::kTooLong, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    QuickProgram program;
    EXPECT_EQ(ReadQuickProgram(c.file, &program), c.check);
    if (c.check != QuickCheck::kReady) continue;
    EXPECT_EQ(program.entry, c.entry);
    EXPECT_EQ(program.load, 0x0801);
    EXPECT_EQ(program.bytes.size(), c.file.size() - 2);
  }
  // The wait ends in a jump to the entry.
  const std::vector<unsigned char> wait = BuildEntryWait(0x1234);
  EXPECT_EQ(std::vector<unsigned char>(wait.end() - 3, wait.end()),
            (std::vector<unsigned char>{0x4c, 0x34, 0x12}));
}

}  // namespace
}  // namespace quennet::brackwin
