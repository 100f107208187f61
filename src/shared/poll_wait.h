#ifndef BRACKWIN_SHARED_POLL_WAIT_H_
#define BRACKWIN_SHARED_POLL_WAIT_H_

#include <poll.h>

#include <cerrno>

namespace quennet::brackwin {

/// Waits until the POSIX descriptor `fd` is ready for `events`, at most
/// `timeout_ms`. poll(), unlike select(), takes descriptors of any number:
/// a parent that leaks a thousand descriptors into us must not make a wait
/// write past an fd_set.
inline bool WaitFor(int fd, short events, int timeout_ms) {
  pollfd entry = {fd, events, 0};
  int ready;
  do {
    ready = poll(&entry, 1, timeout_ms);
  } while (ready < 0 && errno == EINTR);
  return ready == 1;
}

}  // namespace quennet::brackwin

#endif  // BRACKWIN_SHARED_POLL_WAIT_H_
