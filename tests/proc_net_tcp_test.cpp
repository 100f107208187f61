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
    TcpListener listener;
    EXPECT_EQ(
        FindTcpListener(kTable, 0x7F000001, c.port, c.little_endian, &listener),
        c.found);
    EXPECT_EQ(listener.uid, c.uid);
    EXPECT_EQ(listener.inode, c.inode);
  }
  TcpListener listener;
  // 127.0.0.2, which another VICE may use.
  EXPECT_TRUE(FindTcpListener(kTable, 0x7F000002, 6502, true, &listener));
  EXPECT_EQ(listener.inode, 222u);
  EXPECT_FALSE(FindTcpListener("", 0x7F000001, 6502, true, &listener));
  EXPECT_FALSE(
      FindTcpListener("head\n 0: junk\n", 0x7F000001, 6502, true, &listener));
}

}  // namespace
}  // namespace quennet::brackwin
