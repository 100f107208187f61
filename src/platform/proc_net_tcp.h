#ifndef BRACKWIN_PLATFORM_PROC_NET_TCP_H_
#define BRACKWIN_PLATFORM_PROC_NET_TCP_H_

#include <cstdint>
#include <string>

namespace quennet::brackwin {

/// A listening socket as Linux lists it in /proc/net/tcp.
struct TcpListener {
  long uid = -1;
  unsigned long inode = 0;
};

/// Finds, in the text of /proc/net/tcp, the socket that listens on `port`
/// and that a connection to `address` (host byte order) reaches: bound to
/// it or to every address. Addresses are in the kernel's byte order, which
/// `little_endian` gives. Returns false when there is none.
bool FindTcpListener(const std::string& table, std::uint32_t address, int port,
                     bool little_endian, TcpListener* listener);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_PLATFORM_PROC_NET_TCP_H_
