#include "platform/proc_net_tcp.h"

#include <gtest/gtest.h>

#include <string>

namespace quennet::brackwin {
namespace {

// As Linux writes the table on a little-endian machine: 6502 is 0x1966.
constexpr char kTable[] =
    "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when "
    "retrnsmt   uid  timeout inode\n"
    "   0: 0100007F:1966 0100007F:D3A2 01 00000000:00000000 00:00000000 "
    "00000000  1000        0 111 1 0 20 4 30 10 -1\n"
    "   1: 0200007F:1966 00000000:0000 0A 00000000:00000000 00:00000000 "
    "00000000  1002        0 222 1 0 100 0 0 10 0\n"
    "   2: 0100007F:1966 00000000:0000 0A 00000000:00000000 00:00000000 "
    "00000000  1000        0 333 1 0 100 0 0 10 0\n"
    "   3: 00000000:1967 00000000:0000 0A 00000000:00000000 00:00000000 "
    "00000000     0        0 444 1 0 100 0 0 10 0\n";

TEST(ProcNetTcpTest, FindsTheListenerThatLoopbackReaches) {
  struct Case {
    int port;
    bool little_endian;
    bool found;
    long uid;
    unsigned long inode;
  };
  const Case cases[] = {
      // Not the established connection (st 01), not 127.0.0.2.
      {6502, true, true, 1000, 333},
      // Every address (0.0.0.0) is reached through 127.0.0.1 too.
      {6503, true, true, 0, 444},
      {6504, true, false, -1, 0},
      // Read in the other byte order, 0100007F is 1.0.0.127.
      {6502, false, false, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port);
    const auto found =
        FindTcpListeners(kTable, 0x7F000001, c.port, c.little_endian);
    ASSERT_EQ(found.size(), c.found ? 1u : 0u);
    if (!c.found) continue;
    EXPECT_EQ(found[0].uid, c.uid);
    EXPECT_EQ(found[0].inode, c.inode);
  }
  // 127.0.0.2, which another VICE may use.
  const auto second = FindTcpListeners(kTable, 0x7F000002, 6502, true);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(second[0].inode, 222u);
  EXPECT_TRUE(FindTcpListeners("", 0x7F000001, 6502, true).empty());
  EXPECT_TRUE(
      FindTcpListeners("head\n 0: junk\n", 0x7F000001, 6502, true).empty());
}

// /proc/net/tcp6 on a little-endian machine: ::, ::1, ::ffff:127.0.0.1 and
// ::ffff:127.0.0.2, each on port 6502.
TEST(ProcNetTcpTest, IPv6ListenersThatTakeIPv4AreFound) {
  const std::string row =
      " 00000000:0000 0A 00000000:00000000 00:00000000 00000000  ";
  const std::string table =
      "  sl  local_address remote_address st ... uid timeout inode\n"
      "0: 00000000000000000000000000000000:1966" +
      row +
      "1001 0 11 1\n"
      "1: 00000000000000000000000001000000:1966" +
      row +
      "1002 0 12 1\n"
      "2: 0000000000000000FFFF00000100007F:1966" +
      row +
      "1003 0 13 1\n"
      "3: 0000000000000000FFFF00000200007F:1966" +
      row + "1004 0 14 1\n";
  const auto found = FindTcpListeners(table, 0x7F000001, 6502, true);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].uid, 1001);
  EXPECT_EQ(found[1].uid, 1003);
}

}  // namespace
}  // namespace quennet::brackwin
