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

TEST(XdndTest, UriListEscapesAllButUnreservedBytes) {
  EXPECT_EQ(FileUriList(std::string("/a b/%\xC3\xBC\0~.prg", 14)),
            "file:///a%20b/%25%C3%BC%00~.prg\r\n");
}

}  // namespace
}  // namespace quennet::brackwin
