#include "platform/listener_user.h"

#include <gtest/gtest.h>

namespace quennet::brackwin {
namespace {

TEST(ListenerUserTest, OnlyOurSessionAndUserAreOurs) {
  using User = ListenerFacts::User;
  const struct {
    bool pid_known, session_known;
    unsigned long session;
    User user;
    ListenerUser expected;
  } cases[] = {
      {true, true, 1, User::kSame, ListenerUser::kOurs},
      // An elevated VICE's token cannot always be read: same session stays
      // ours.
      {true, true, 1, User::kUnread, ListenerUser::kOurs},
      // A terminal server's other session, or our session as another user.
      {true, true, 2, User::kSame, ListenerUser::kOther},
      {true, true, 1, User::kOther, ListenerUser::kOther},
      {true, false, 1, User::kSame, ListenerUser::kOther},
      // No process named (Wine, for a listener outside it).
      {false, false, 0, User::kUnread, ListenerUser::kUnknown},
  };
  for (const auto& c : cases) {
    ListenerFacts facts;
    facts.pid_known = c.pid_known;
    facts.session_known = c.session_known;
    facts.session = c.session;
    facts.own_session = 1;
    facts.user = c.user;
    EXPECT_EQ(DecideListenerUser(facts), c.expected);
  }
}

}  // namespace
}  // namespace quennet::brackwin
