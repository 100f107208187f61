#include "shared/drop_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quennet::brackwin {
namespace {

using Bytes = std::vector<unsigned char>;

// The header, the path, then zero bytes up to `size`.
Bytes Expected(const std::string& path, std::size_t size) {
  Bytes block = {20, 0, 0, 0, 10, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (const char c : path) block.push_back(static_cast<unsigned char>(c));
  block.resize(size, 0);
  return block;
}

TEST(DropFilesTest, BlockIsHeaderPathAndZerosByteForByte) {
  // L = 15: 20 + 15 + 29 zero bytes.
  EXPECT_EQ(BuildDropFilesBlock("C:\\src\\demo.prg"),
            Expected("C:\\src\\demo.prg", 64));
  // L = 8: L + 23 = 31 still fits in 32.
  EXPECT_EQ(BuildDropFilesBlock("demo.prg"), Expected("demo.prg", 32));
  // L = 9: 32 would leave no room for the list's terminator.
  EXPECT_EQ(BuildDropFilesBlock("demo1.prg"), Expected("demo1.prg", 64));
}

TEST(DropFilesTest, SizeIsNextMultipleOf32AboveLengthPlus23) {
  EXPECT_EQ(DropFilesBlockSize(0), 32u);
  EXPECT_EQ(DropFilesBlockSize(8), 32u);
  EXPECT_EQ(DropFilesBlockSize(9), 64u);
  EXPECT_EQ(DropFilesBlockSize(40), 64u);
  EXPECT_EQ(DropFilesBlockSize(41), 96u);
  EXPECT_EQ(DropFilesBlockSize(516), 544u);
  for (std::size_t length = 0; length < 600; ++length) {
    const std::size_t size = DropFilesBlockSize(length);
    EXPECT_EQ(size % 32, 0u);
    EXPECT_GT(size, length + 23);  // Both terminators fit, and one more.
    EXPECT_LE(size, length + 23 + 32);
  }
}

TEST(DropFilesTest, BytesFromTheHighHalfAreCopiedUnchanged) {
  const std::string path = "C:\\\x95\x5C\\\xFF.prg";
  const Bytes block = BuildDropFilesBlock(path);
  EXPECT_EQ(block, Expected(path, 64));
}

}  // namespace
}  // namespace quennet::brackwin
