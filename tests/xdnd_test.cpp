#include "platform/xdnd.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace quennet::brackwin {
namespace {

TEST(XdndTest, PointPacksTwoSixteenBitFields) {
  struct Case {
    int x, y;
    std::uint32_t packed;  // The 32 bits that go to the server.
  };
  const Case cases[] = {
      {10, 10, 0x000A000A},
      {0, 0, 0},
      // A window partly left of or above the screen.
      {-5, 20, 0xFFFB0014},
      {30, -1, 0x001EFFFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    EXPECT_EQ(static_cast<std::uint32_t>(PackXdndPoint(c.x, c.y)), c.packed);
  }
}

}  // namespace
}  // namespace quennet::brackwin
