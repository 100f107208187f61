#include "platform/proc_net_tcp.h"

#include <cstdlib>
#include <vector>

namespace quennet::brackwin {
namespace {

constexpr char kListenState[] = "0A";

// The words of `line`, split at blanks.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t start = line.find_first_not_of(" \t", at);
    if (start == std::string::npos) break;
    const std::size_t end = line.find_first_of(" \t", start);
    words.push_back(line.substr(start, end - start));
    at = end;
  }
  return words;
}

}  // namespace

bool FindTcpListener(const std::string& table, std::uint32_t address, int port,
                     bool little_endian, TcpListener* listener) {
  // The kernel prints the address's four bytes as one native integer.
  const unsigned long wanted =
      little_endian ? (address >> 24 | (address >> 8 & 0xFF00) |
                       (address << 8 & 0xFF0000) | (address & 0xFF) << 24)
                    : address;
  // No stream classes: they would bring the C++ runtime's locales into a
  // binary that links it statically.
  std::size_t next = table.find('\n');  // Past the heading.
  while (next != std::string::npos) {
    const std::size_t start = next + 1;
    next = table.find('\n', start);
    // sl local rem st tx:rx tr:when retrnsmt uid timeout inode ...
    const std::vector<std::string> fields =
        Words(table.substr(start, next - start));
    if (fields.size() < 10) continue;
    const std::string& local = fields[1];
    const std::string& state = fields[3];
    const std::string& uid = fields[7];
    const std::string& inode = fields[9];
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
