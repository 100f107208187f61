#ifndef BRACKWIN_PLATFORM_PROC_NET_TCP_H_
#define BRACKWIN_PLATFORM_PROC_NET_TCP_H_

#include <cstdint>
#include <string>
#include <vector>

namespace quennet::brackwin {

/// A listening socket as Linux lists it in /proc/net/tcp or tcp6.
struct TcpListener {
  long uid = -1;
  unsigned long inode = 0;
};

/// Finds, in the text of /proc/net/tcp or /proc/net/tcp6, the sockets that
/// listen on `port` and that a connection to the IPv4 `address` (host byte
/// order) may reach: bound to it or to every address, in IPv4 or in IPv6
/// (`::`, which takes IPv4 too unless it is set to IPv6 only, and the
/// IPv4-mapped `::ffff:a.b.c.d`; `::1` is IPv6's own loopback and is not
/// reached). Addresses are printed as 32-bit words in the kernel's byte
/// order, which `little_endian` gives.
std::vector<TcpListener> FindTcpListeners(const std::string& table,
                                          std::uint32_t address, int port,
                                          bool little_endian);

/// The ports on which the sockets `inodes` listen, in the text of
/// /proc/net/tcp or tcp6, where a connection to the IPv4 `address` reaches
/// them (as FindTcpListeners).
std::vector<int> FindListeningPorts(const std::string& table,
                                    const std::vector<unsigned long>& inodes,
                                    std::uint32_t address, bool little_endian);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_PLATFORM_PROC_NET_TCP_H_
