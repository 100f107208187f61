#ifndef BRACKWIN_PLATFORM_LISTENER_USER_H_
#define BRACKWIN_PLATFORM_LISTENER_USER_H_

namespace quennet::brackwin {

/// What Windows tells of the process that listens on the monitor's port,
/// beside this process's own.
struct ListenerFacts {
  /// The TCP table names the process (pid 0: it does not, as under Wine for
  /// a listener outside Wine).
  bool pid_known = false;
  /// Its session (ProcessIdToSessionId), where that could be read.
  bool session_known = false;
  unsigned long session = 0;
  unsigned long own_session = 0;
  /// Its token's user, where the token could be read: the same as ours.
  enum class User { kUnread, kSame, kOther } user = User::kUnread;
};

/// Whose a listener is, from `facts`.
enum class ListenerUser {
  kOurs,
  kOther,    // Another session, or another user: nothing is sent to it.
  kUnknown,  // No process named: used, with a warning.
};

/// Terminal-server sessions share the loopback: a listener is ours only in
/// our session, and, where its token can be read, as our user. One whose
/// session cannot be read is not known to be ours, and counts as another's.
/// An elevated VICE of the same user in the same session is ours.
ListenerUser DecideListenerUser(const ListenerFacts& facts);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_PLATFORM_LISTENER_USER_H_
