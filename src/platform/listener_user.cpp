#include "platform/listener_user.h"

namespace quennet::brackwin {

ListenerUser DecideListenerUser(const ListenerFacts& facts) {
  if (!facts.pid_known) return ListenerUser::kUnknown;
  if (!facts.session_known || facts.session != facts.own_session ||
      facts.user == ListenerFacts::User::kOther) {
    return ListenerUser::kOther;
  }
  return ListenerUser::kOurs;
}

}  // namespace quennet::brackwin
