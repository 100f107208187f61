#ifndef BRACKWIN_PLATFORM_SOCKETS_H_
#define BRACKWIN_PLATFORM_SOCKETS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quennet::brackwin {

/// A connected stream socket; kNoSocket is none.
using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

/// The process that listens on a loopback port.
struct ListenerOwner {
  /// The system lists a listener there, whether or not it accepts.
  bool seen = false;
  /// The owner's process id; 0 when it cannot be told.
  long pid = 0;
  /// The listener belongs to another user, whose uid is `uid` (-1 where
  /// users have no uid).
  bool other_user = false;
  long uid = -1;
  /// A listener is seen, and the system does not say whose it is.
  bool owner_unknown = false;
};

/// TCP on the loopback interface, for VICE's monitor.
class Sockets {
 public:
  virtual ~Sockets() = default;

  /// Connects to `port` on the loopback address `address` (127.x.y.z, in
  /// host byte order), waiting at most `timeout_ms` for the connection.
  /// Returns kNoSocket when it is refused or not made in time.
  virtual SocketHandle ConnectLoopback(std::uint32_t address, int port,
                                       int timeout_ms) = 0;

  /// Sends all of `bytes`, waiting at most `timeout_ms`; false on failure.
  virtual bool Send(SocketHandle socket,
                    const std::vector<unsigned char>& bytes,
                    int timeout_ms) = 0;

  /// Receives up to `size` bytes, waiting at most `timeout_ms` for the first.
  /// Returns the count, 0 when the peer closed the connection, or -1 on an
  /// error or time-out.
  virtual int Receive(SocketHandle socket, unsigned char* buffer,
                      std::size_t size, int timeout_ms) = 0;

  /// Tells the peer that nothing more will be sent (a TCP half-close); what
  /// it still sends can be received.
  virtual void ShutdownSending(SocketHandle socket) = 0;

  virtual void CloseSocket(SocketHandle socket) = 0;

  /// Who listens on `address`:`port` (host byte order), over IPv4 or IPv6,
  /// as far as the system tells. Where several listeners may take the
  /// connection, and one is another user's, `other_user` is set.
  virtual ListenerOwner FindListener(std::uint32_t address, int port) = 0;

  /// The ports on which process `pid` listens where a connection to the
  /// loopback `address` reaches, as far as the system tells; none where it
  /// does not.
  virtual std::vector<int> FindListeningPorts(long pid,
                                              std::uint32_t address) = 0;
};

/// The sockets of this build.
Sockets& GetSockets();

}  // namespace quennet::brackwin

#endif  // BRACKWIN_PLATFORM_SOCKETS_H_
