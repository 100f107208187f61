#ifndef BRACKWIN_PLATFORM_PROC_NET_TCP_H_
#define BRACKWIN_PLATFORM_PROC_NET_TCP_H_

#include <string>

namespace quennet::brackwin {

/// A listening socket as Linux lists it in /proc/net/tcp.
struct TcpListener {
  long uid = -1;
  unsigned long inode = 0;
};

/// Finds, in the text of /proc/net/tcp, the socket that listens on `port`
/// and that a connection to 127.0.0.1 reaches: bound to 127.0.0.1 or to
/// every address. Addresses are in the kernel's byte order, which
/// `little_endian` gives. Returns false when there is none.
bool FindTcpListener(const std::string& table, int port, bool little_endian,
                     TcpListener* listener);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_PLATFORM_PROC_NET_TCP_H_
