// Loopback TCP for VICE's monitor on Windows (Winsock), and who listens on
// a port (the IP helper's TCP table).

// winsock2.h must come before windows.h, which would pull in the old
// winsock.h otherwise.
#include <winsock2.h>
// (kept apart so that sorting cannot swap them)
#include <windows.h>
// After both: it needs their types.
#include <iphlpapi.h>

#include <vector>

#include "platform/sockets.h"

namespace quennet::brackwin {
namespace {

SOCKET ToSocket(SocketHandle socket) { return static_cast<SOCKET>(socket); }

// Waits until `socket` can be written (or, with `read`, read), at most
// `timeout_ms`. A failed non-blocking connect shows in the except set.
// Winsock's fd_set is a list of sockets, not a bit set: any socket fits.
bool WaitFor(SOCKET socket, bool read, int timeout_ms) {
  fd_set ready, failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(socket, &ready);
  FD_SET(socket, &failed);
  timeval timeout = {timeout_ms / 1000, (timeout_ms % 1000) * 1000};
  const int count = select(0, read ? &ready : nullptr, read ? nullptr : &ready,
                           &failed, &timeout);
  return count > 0 && FD_ISSET(socket, &ready) && !FD_ISSET(socket, &failed);
}

class Win32Sockets : public Sockets {
 public:
  SocketHandle ConnectLoopback(std::uint32_t loopback, int port,
                               int timeout_ms) override {
    if (!winsock_ready_) {
      WSADATA data;
      if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return kNoSocket;
      winsock_ready_ = true;
    }
    const SOCKET fd = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (fd == INVALID_SOCKET) return kNoSocket;
    // Non-blocking: a blocking connect to a closed loopback port takes about
    // a second on Windows, since the stack retries after each reset.
    u_long non_blocking = 1;
    ioctlsocket(fd, FIONBIO, &non_blocking);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(loopback);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address),
                sizeof(address)) != 0 &&
        (WSAGetLastError() != WSAEWOULDBLOCK ||
         !WaitFor(fd, false, timeout_ms))) {
      closesocket(fd);
      return kNoSocket;
    }
    return static_cast<SocketHandle>(fd);
  }

  bool Send(SocketHandle socket, const std::vector<unsigned char>& bytes,
            int timeout_ms) override {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      if (!WaitFor(ToSocket(socket), false, timeout_ms)) return false;
      const int count =
          send(ToSocket(socket), reinterpret_cast<const char*>(&bytes[sent]),
               static_cast<int>(bytes.size() - sent), 0);
      if (count == SOCKET_ERROR) {
        if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
      } else {
        sent += static_cast<std::size_t>(count);
      }
    }
    return true;
  }

  int Receive(SocketHandle socket, unsigned char* buffer, std::size_t size,
              int timeout_ms) override {
    if (!WaitFor(ToSocket(socket), true, timeout_ms)) return -1;
    const int count = recv(ToSocket(socket), reinterpret_cast<char*>(buffer),
                           static_cast<int>(size), 0);
    return count == SOCKET_ERROR ? -1 : count;
  }

  void ShutdownSending(SocketHandle socket) override {
    shutdown(ToSocket(socket), SD_SEND);
  }

  void CloseSocket(SocketHandle socket) override {
    closesocket(ToSocket(socket));
  }

  // The owning process of the listener, from the TCP table. Windows keeps
  // another user's process from our messages only by integrity level, and
  // says nothing of the owner's user here: `other_user` stays false.
  ListenerOwner FindListener(std::uint32_t address, int port) override {
    ListenerOwner owner;
    ULONG size = 0;
    if (GetExtendedTcpTable(nullptr, &size, FALSE, AF_INET,
                            TCP_TABLE_OWNER_PID_LISTENER,
                            0) != ERROR_INSUFFICIENT_BUFFER) {
      return owner;
    }
    std::vector<unsigned char> buffer(size);
    auto* table = reinterpret_cast<MIB_TCPTABLE_OWNER_PID*>(buffer.data());
    if (GetExtendedTcpTable(table, &size, FALSE, AF_INET,
                            TCP_TABLE_OWNER_PID_LISTENER, 0) != NO_ERROR) {
      return owner;
    }
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
      const MIB_TCPROW_OWNER_PID& row = table->table[i];
      const u_short local_port =
          ntohs(static_cast<u_short>(row.dwLocalPort & 0xFFFF));
      const u_long local = ntohl(row.dwLocalAddr);
      if (local_port == port && (local == address || local == INADDR_ANY)) {
        owner.pid = static_cast<long>(row.dwOwningPid);
        break;
      }
    }
    return owner;
  }

 private:
  bool winsock_ready_ = false;
};

}  // namespace

Sockets& GetSockets() {
  static Win32Sockets sockets;
  return sockets;
}

}  // namespace quennet::brackwin
