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

// The 32-bit word `text` (8 hex digits, as the kernel prints it) as its four
// bytes in memory order, appended to `bytes`; false when it is no word.
bool AppendWord(const std::string& text, bool little_endian,
                std::vector<unsigned char>* bytes) {
  char* end = nullptr;
  const unsigned long word = std::strtoul(text.c_str(), &end, 16);
  if (text.size() != 8 || *end != '\0') return false;
  for (int i = 0; i < 4; ++i) {
    const int shift = little_endian ? 8 * i : 8 * (3 - i);
    bytes->push_back(static_cast<unsigned char>(word >> shift));
  }
  return true;
}

// Whether a socket bound to `bytes` (4 for IPv4, 16 for IPv6, in network
// order) takes connections to the IPv4 `address`.
bool Reaches(const std::vector<unsigned char>& bytes, std::uint32_t address) {
  std::size_t zeros = 0;
  while (zeros < bytes.size() && bytes[zeros] == 0) ++zeros;
  if (zeros == bytes.size()) return true;  // 0.0.0.0 or ::
  std::size_t at = 0;
  if (bytes.size() == 16) {
    // Only ::ffff:a.b.c.d; ::1 and other IPv6 addresses take no IPv4.
    if (zeros < 10 || bytes[10] != 0xFF || bytes[11] != 0xFF) return false;
    at = 12;
  }
  const std::uint32_t bound = static_cast<std::uint32_t>(bytes[at]) << 24 |
                              static_cast<std::uint32_t>(bytes[at + 1]) << 16 |
                              static_cast<std::uint32_t>(bytes[at + 2]) << 8 |
                              bytes[at + 3];
  return bound == address;
}

// Calls `visit` with the port, uid and inode of each listening socket of
// `table` that a connection to `address` reaches.
template <typename Visit>
void ForEachListener(const std::string& table, std::uint32_t address,
                     bool little_endian, Visit visit) {
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
    const std::size_t colon = local.find(':');
    if (colon == std::string::npos || state != kListenState) continue;
    char* end = nullptr;
    const long port = std::strtol(local.c_str() + colon + 1, &end, 16);
    if (*end != '\0') continue;
    std::vector<unsigned char> bytes;
    bool words = colon == 8 || colon == 32;
    for (std::size_t at = 0; words && at < colon; at += 8) {
      words = AppendWord(local.substr(at, 8), little_endian, &bytes);
    }
    if (!words || !Reaches(bytes, address)) continue;
    visit(static_cast<int>(port), std::strtol(fields[7].c_str(), nullptr, 10),
          std::strtoul(fields[9].c_str(), nullptr, 10));
  }
}

}  // namespace

std::vector<TcpListener> FindTcpListeners(const std::string& table,
                                          std::uint32_t address, int port,
                                          bool little_endian) {
  std::vector<TcpListener> found;
  ForEachListener(table, address, little_endian,
                  [&](int listening, long uid, unsigned long inode) {
                    if (listening == port) found.push_back({uid, inode});
                  });
  return found;
}

std::vector<int> FindListeningPorts(const std::string& table,
                                    const std::vector<unsigned long>& inodes,
                                    std::uint32_t address, bool little_endian) {
  std::vector<int> ports;
  ForEachListener(table, address, little_endian,
                  [&](int port, long, unsigned long inode) {
                    for (const unsigned long held : inodes) {
                      if (held == inode) ports.push_back(port);
                    }
                  });
  return ports;
}

}  // namespace quennet::brackwin
