#include "platform/proc_net_tcp.h"

#include <cstdlib>
#include <sstream>

namespace quennet::brackwin {
namespace {

constexpr char kListenState[] = "0A";

}  // namespace

bool FindTcpListener(const std::string& table, std::uint32_t address, int port,
                     bool little_endian, TcpListener* listener) {
  // The kernel prints the address's four bytes as one native integer.
  const unsigned long wanted =
      little_endian ? (address >> 24 | (address >> 8 & 0xFF00) |
                       (address << 8 & 0xFF0000) | (address & 0xFF) << 24)
                    : address;
  std::istringstream lines(table);
  std::string line;
  std::getline(lines, line);  // The heading.
  while (std::getline(lines, line)) {
    // sl local rem st tx:rx tr:when retrnsmt uid timeout inode ...
    std::istringstream fields(line);
    std::string slot, local, remote, state, queues, timer, retransmits, uid,
        timeout, inode;
    if (!(fields >> slot >> local >> remote >> state >> queues >> timer >>
          retransmits >> uid >> timeout >> inode)) {
      continue;
    }
    const std::size_t colon = local.find(':');
    if (colon == std::string::npos || state != kListenState) continue;
    const std::string address_text = local.substr(0, colon);
    char* end = nullptr;
    const unsigned long bound = std::strtoul(address_text.c_str(), &end, 16);
    if (*end != '\0') continue;
    const long local_port = std::strtol(local.c_str() + colon + 1, &end, 16);
    if (*end != '\0' || local_port != port) continue;
    if (bound != wanted && bound != 0) continue;
    listener->uid = std::strtol(uid.c_str(), nullptr, 10);
    listener->inode = std::strtoul(inode.c_str(), nullptr, 10);
    return true;
  }
  return false;
}

}  // namespace quennet::brackwin
