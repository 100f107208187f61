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

#include "platform/listener_user.h"
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

  // The owning processes of the listeners that a connection may reach, from
  // the TCP tables of IPv4 and IPv6 (a dual-stack listener on :: is only in
  // the latter), each judged by its session and user.
  ListenerOwner FindListener(std::uint32_t address, int port) override {
    ListenerOwner owner;
    std::vector<Listener> listeners;
    ListListeners(AF_INET, address, &listeners);
    ListListeners(AF_INET6, address, &listeners);
    std::vector<DWORD> pids;
    for (const Listener& listener : listeners) {
      if (listener.port == port) pids.push_back(listener.pid);
    }
    owner.seen = !pids.empty();
    for (const DWORD pid : pids) {
      switch (DecideListenerUser(ReadFacts(pid))) {
        case ListenerUser::kOther:
          owner.other_user = true;
          owner.pid = 0;
          return owner;
        case ListenerUser::kUnknown:
          owner.owner_unknown = true;
          break;
        case ListenerUser::kOurs:
          if (owner.pid == 0) owner.pid = static_cast<long>(pid);
          break;
      }
    }
    return owner;
  }

  std::vector<int> FindListeningPorts(long pid,
                                      std::uint32_t address) override {
    std::vector<int> ports;
    for (const ULONG family : {AF_INET, AF_INET6}) {
      std::vector<Listener> listeners;
      ListListeners(family, address, &listeners);
      for (const Listener& listener : listeners) {
        if (static_cast<long>(listener.pid) == pid) {
          ports.push_back(listener.port);
        }
      }
    }
    return ports;
  }

 private:
  struct Listener {
    DWORD pid;
    int port;
  };

  // Appends the listeners in the table of `family` that take connections
  // to the IPv4 `address`: bound to it, to every address, or (IPv6) to its
  // IPv4-mapped form.
  static void ListListeners(ULONG family, std::uint32_t address,
                            std::vector<Listener>* listeners) {
    ULONG size = 0;
    if (GetExtendedTcpTable(nullptr, &size, FALSE, family,
                            TCP_TABLE_OWNER_PID_LISTENER,
                            0) != ERROR_INSUFFICIENT_BUFFER) {
      return;
    }
    std::vector<unsigned char> buffer(size);
    if (GetExtendedTcpTable(buffer.data(), &size, FALSE, family,
                            TCP_TABLE_OWNER_PID_LISTENER, 0) != NO_ERROR) {
      return;
    }
    const auto port_of = [](DWORD local_port) {
      return ntohs(static_cast<u_short>(local_port & 0xFFFF));
    };
    if (family == AF_INET) {
      const auto* table =
          reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(buffer.data());
      for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_TCPROW_OWNER_PID& row = table->table[i];
        const u_long local = ntohl(row.dwLocalAddr);
        if (local == address || local == INADDR_ANY) {
          listeners->push_back({row.dwOwningPid, port_of(row.dwLocalPort)});
        }
      }
      return;
    }
    const auto* table =
        reinterpret_cast<const MIB_TCP6TABLE_OWNER_PID*>(buffer.data());
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
      const MIB_TCP6ROW_OWNER_PID& row = table->table[i];
      const UCHAR* bytes = row.ucLocalAddr;
      bool any = true, mapped = bytes[10] == 0xFF && bytes[11] == 0xFF;
      for (int b = 0; b < 16; ++b) any = any && bytes[b] == 0;
      for (int b = 0; b < 10; ++b) mapped = mapped && bytes[b] == 0;
      const u_long embedded = static_cast<u_long>(bytes[12]) << 24 |
                              static_cast<u_long>(bytes[13]) << 16 |
                              static_cast<u_long>(bytes[14]) << 8 | bytes[15];
      if (any || (mapped && embedded == address)) {
        listeners->push_back({row.dwOwningPid, port_of(row.dwLocalPort)});
      }
    }
  }

  // What the system tells of process `pid`'s session and user, beside ours.
  static ListenerFacts ReadFacts(DWORD pid) {
    ListenerFacts facts;
    facts.pid_known = pid != 0;
    DWORD session = 0, own_session = 0;
    facts.session_known =
        ProcessIdToSessionId(pid, &session) &&
        ProcessIdToSessionId(GetCurrentProcessId(), &own_session);
    facts.session = session;
    facts.own_session = own_session;
    const HANDLE process =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr) return facts;
    std::vector<unsigned char> theirs, ours;
    if (ReadTokenUser(process, &theirs) &&
        ReadTokenUser(GetCurrentProcess(), &ours)) {
      facts.user =
          EqualSid(reinterpret_cast<TOKEN_USER*>(theirs.data())->User.Sid,
                   reinterpret_cast<TOKEN_USER*>(ours.data())->User.Sid)
              ? ListenerFacts::User::kSame
              : ListenerFacts::User::kOther;
    }
    CloseHandle(process);
    return facts;
  }

  // The TOKEN_USER of `process`'s token in `buffer`; false when unread.
  static bool ReadTokenUser(HANDLE process,
                            std::vector<unsigned char>* buffer) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return false;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    buffer->resize(size);
    const bool read =
        size != 0 &&
        GetTokenInformation(token, TokenUser, buffer->data(), size, &size);
    CloseHandle(token);
    return read;
  }

  bool winsock_ready_ = false;
};

}  // namespace

Sockets& GetSockets() {
  static Win32Sockets sockets;
  return sockets;
}

}  // namespace quennet::brackwin
