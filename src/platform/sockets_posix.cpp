// Loopback TCP for VICE's monitor on POSIX systems, and, on Linux, who
// listens on a port, from /proc.

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/proc_net_tcp.h"
#include "platform/sockets.h"
#include "shared/poll_wait.h"

namespace quennet::brackwin {
namespace {

bool IsLittleEndian() {
  const std::uint16_t one = 1;
  return *reinterpret_cast<const unsigned char*>(&one) == 1;
}

// The process, among those whose descriptors we may read (our user's), that
// holds the socket `inode`; 0 when none.
long FindSocketHolder(unsigned long inode) {
  DIR* processes = opendir("/proc");
  if (processes == nullptr) return 0;
  const std::string wanted = "socket:[" + std::to_string(inode) + "]";
  long holder = 0;
  while (holder == 0) {
    const dirent* process = readdir(processes);
    if (process == nullptr) break;
    char* end = nullptr;
    const long pid = std::strtol(process->d_name, &end, 10);
    if (pid <= 0 || *end != '\0') continue;
    const std::string fds = std::string("/proc/") + process->d_name + "/fd";
    DIR* descriptors = opendir(fds.c_str());
    if (descriptors == nullptr) continue;  // Another user's, or gone.
    while (const dirent* fd = readdir(descriptors)) {
      char target[64];
      const std::string link = fds + "/" + fd->d_name;
      const ssize_t length = readlink(link.c_str(), target, sizeof(target) - 1);
      if (length > 0 && wanted.compare(0, std::string::npos, target,
                                       static_cast<std::size_t>(length)) == 0) {
        holder = pid;
        break;
      }
    }
    closedir(descriptors);
  }
  closedir(processes);
  return holder;
}

class PosixSockets : public Sockets {
 public:
  SocketHandle ConnectLoopback(std::uint32_t loopback, int port,
                               int timeout_ms) override {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return kNoSocket;
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(loopback);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address),
                sizeof(address)) != 0) {
      int error = errno;
      if (error == EINPROGRESS && WaitFor(fd, POLLOUT, timeout_ms)) {
        socklen_t length = sizeof(error);
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
          error = errno;
        }
      } else if (error == EINPROGRESS) {
        error = ETIMEDOUT;
      }
      if (error != 0) {
        close(fd);
        return kNoSocket;
      }
    }
    return fd;
  }

  bool Send(SocketHandle socket, const std::vector<unsigned char>& bytes,
            int timeout_ms) override {
    const int fd = static_cast<int>(socket);
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      if (!WaitFor(fd, POLLOUT, timeout_ms)) return false;
      // MSG_NOSIGNAL: a closed peer is an error result, not a SIGPIPE.
      const ssize_t count =
          send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (count < 0 && errno != EINTR && errno != EAGAIN) return false;
      if (count > 0) sent += static_cast<std::size_t>(count);
    }
    return true;
  }

  int Receive(SocketHandle socket, unsigned char* buffer, std::size_t size,
              int timeout_ms) override {
    const int fd = static_cast<int>(socket);
    if (!WaitFor(fd, POLLIN, timeout_ms)) return -1;
    ssize_t count;
    do {
      count = recv(fd, buffer, size, 0);
    } while (count < 0 && errno == EINTR);
    return count < 0 ? -1 : static_cast<int>(count);
  }

  void ShutdownSending(SocketHandle socket) override {
    shutdown(static_cast<int>(socket), SHUT_WR);
  }

  void CloseSocket(SocketHandle socket) override {
    close(static_cast<int>(socket));
  }

  // Linux lists the sockets of this network namespace, with their owners'
  // uids and inodes, in /proc/net/tcp and tcp6 (a dual-stack listener on
  // :: is only in tcp6); elsewhere nothing can be told.
  ListenerOwner FindListener(std::uint32_t address, int port) override {
    ListenerOwner owner;
    std::vector<TcpListener> listeners;
    for (const char* path : {"/proc/net/tcp", "/proc/net/tcp6"}) {
      const std::vector<TcpListener> found =
          FindTcpListeners(ReadTable(path), address, port, IsLittleEndian());
      listeners.insert(listeners.end(), found.begin(), found.end());
    }
    owner.seen = !listeners.empty();
    for (const TcpListener& listener : listeners) {
      if (listener.uid != static_cast<long>(getuid())) {
        owner.other_user = true;
        owner.uid = listener.uid;
        return owner;
      }
    }
    if (owner.seen) {
      owner.uid = listeners[0].uid;
      owner.pid = FindSocketHolder(listeners[0].inode);
    }
    return owner;
  }

  std::vector<int> FindListeningPorts(long pid,
                                      std::uint32_t address) override {
    std::vector<unsigned long> inodes;
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    DIR* descriptors = opendir(fds.c_str());
    if (descriptors == nullptr) return {};
    while (const dirent* fd = readdir(descriptors)) {
      char target[64];
      const std::string link = fds + "/" + fd->d_name;
      const ssize_t length = readlink(link.c_str(), target, sizeof(target) - 1);
      if (length <= 0) continue;
      target[length] = '\0';
      unsigned long inode = 0;
      if (std::sscanf(target, "socket:[%lu]", &inode) == 1) {
        inodes.push_back(inode);
      }
    }
    closedir(descriptors);
    std::vector<int> ports;
    for (const char* path : {"/proc/net/tcp", "/proc/net/tcp6"}) {
      for (const int port : ::quennet::brackwin::FindListeningPorts(
               ReadTable(path), inodes, address, IsLittleEndian())) {
        ports.push_back(port);
      }
    }
    return ports;
  }

 private:
  static std::string ReadTable(const char* path) {
    std::string table;
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) return table;
    char chunk[4096];
    for (std::size_t count;
         (count = std::fread(chunk, 1, sizeof(chunk), file)) > 0;) {
      table.append(chunk, count);
    }
    std::fclose(file);
    return table;
  }
};

}  // namespace

Sockets& GetSockets() {
  static PosixSockets sockets;
  return sockets;
}

}  // namespace quennet::brackwin
