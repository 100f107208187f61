#include "shared/deadline.h"

#include <gtest/gtest.h>

#include <chrono>

namespace quennet::brackwin {
namespace {

TEST(DeadlineTest, TimeLeftAndCapsAtTheirEdges) {
  using std::chrono::milliseconds;
  const Deadline::Clock::time_point start{};
  const Deadline deadline(start + milliseconds(3000));
  EXPECT_EQ(deadline.MillisecondsLeft(1000, start), 1000);  // The cap.
  EXPECT_EQ(deadline.MillisecondsLeft(1000, start + milliseconds(2001)), 999);
  EXPECT_EQ(deadline.MillisecondsLeft(1000, start + milliseconds(2999)), 1);
  EXPECT_FALSE(deadline.Passed(start + milliseconds(2999)));
  EXPECT_EQ(deadline.MillisecondsLeft(1000, start + milliseconds(3000)), 0);
  EXPECT_TRUE(deadline.Passed(start + milliseconds(3000)));
  EXPECT_EQ(deadline.MillisecondsLeft(1000, start + milliseconds(4000)), 0);
  // A cap ends a step early; never late.
  EXPECT_EQ(deadline.Capped(500, start).At(), start + milliseconds(500));
  EXPECT_EQ(deadline.Capped(500, start + milliseconds(2800)).At(),
            deadline.At());
}

}  // namespace
}  // namespace quennet::brackwin
