#include "platform/listener_user.h"

#include <gtest/gtest.h>

namespace quennet::brackwin {
namespace {

TEST(ListenerUserTest, OnlyOurSessionAndUserAreOurs) {
  using User = ListenerFacts::User;
  using L = ListenerUser;
  // pid known, session known, its session (ours is 1), user: whose.
  const ListenerFacts cases[] = {
      {true, true, 1, 1, User::kSame},
      {true, true, 1, 1, User::kUnread},  // An elevated VICE: still ours.
      {true, true, 2, 1, User::kSame},    // A terminal server's other session.
      {true, true, 1, 1, User::kOther},
      {true, false, 0, 1, User::kSame},     // Its session cannot be read.
      {false, false, 0, 1, User::kUnread},  // No process named (Wine).
  };
  const L expected[] = {L::kOurs,  L::kOurs,  L::kOther,
                        L::kOther, L::kOther, L::kUnknown};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(DecideListenerUser(cases[i]), expected[i]) << i;
  }
}

}  // namespace
}  // namespace quennet::brackwin
