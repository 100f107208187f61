#include "emulator/binary_monitor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quennet::brackwin {
namespace {

using Bytes = std::vector<unsigned char>;

TEST(BinaryMonitorTest, AutostartRequestIsFramedByteForByte) {
  Bytes request;
  ASSERT_TRUE(BuildAutostartRequest("/a.prg", 0x04030201, &request));
  const Bytes expected = {0x02, 0x01,              // STX, API version 1
                          10,   0,    0,    0,     // body length
                          0x01, 0x02, 0x03, 0x04,  // request id
                          0xdd,                    // autostart
                          0x01, 0x00, 0x00, 6,     // run, index 0, length
                          '/',  'a',  '.',  'p',  'r', 'g'};
  EXPECT_EQ(request, expected);
  // The name's length is one byte.
  EXPECT_TRUE(BuildAutostartRequest(std::string(255, 'x'), 1, &request));
  EXPECT_EQ(request[14], 255);
  EXPECT_EQ(request.size(), 15u + 255u);
  EXPECT_FALSE(BuildAutostartRequest(std::string(256, 'x'), 1, &request));
  EXPECT_FALSE(BuildAutostartRequest("", 1, &request));
}

TEST(BinaryMonitorTest, CheckpointRequestsAreFramedByteForByte) {
  EXPECT_EQ(BuildBreakpointRequest(0x080d, 0x04030201),
            (Bytes{0x02, 0x01, 8, 0, 0, 0, 0x01, 0x02, 0x03, 0x04, 0x12, 0x0d,
                   0x08, 0x0d, 0x08,  // start, end
                   1, 1, 4, 0}));     // stop, enabled, exec, lasting
  Bytes request;
  ASSERT_TRUE(BuildConditionRequest(7, "y<5", 9, &request));
  EXPECT_EQ(request, (Bytes{0x02, 0x01, 8, 0, 0, 0, 9, 0, 0, 0, 0x22, 7, 0, 0,
                            0, 3, 'y', '<', '5'}));
  EXPECT_EQ(BuildResourceGetRequest("ab", 9),
            (Bytes{0x02, 0x01, 3, 0, 0, 0, 9, 0, 0, 0, 0x51, 2, 'a', 'b'}));
  EXPECT_FALSE(BuildConditionRequest(7, "", 9, &request));
  EXPECT_FALSE(BuildConditionRequest(7, std::string(256, 'x'), 9, &request));
}

TEST(BinaryMonitorTest, OnlyLoopbackAddressesInVicesFormsAreTaken) {
  const struct {
    const char* value;
    bool taken;
    std::uint32_t host;
    int port;
  } cases[] = {
      {"127.0.0.1:6510", true, 0x7F000001, 6510},
      {"ip4://127.0.0.1:6502", true, 0x7F000001, 6502},
      {"localhost:6510", true, 0x7F000001, 6510},
      {"127.1.2.3:1", true, 0x7F010203, 1},
      {"10.0.0.1:6502", false, 0, 0},
      {"ip6://[::1]:6502", false, 0, 0},
      {"127.0.0.1", false, 0, 0},
      {"127.0.0.1:0", false, 0, 0},
      {"127.0.0.1:65536", false, 0, 0},
      {"127.0.0.1:0006502", false, 0, 0},
      {"127.0.0.256:6502", false, 0, 0},
      {"127.0.0:6502", false, 0, 0},
      {"127.0.0.1.1:6502", false, 0, 0},
      {"example.org:6502", false, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    MonitorAddress address;
    EXPECT_EQ(ParseMonitorAddress(c.value, &address), c.taken);
    if (c.taken) {
      EXPECT_EQ(address.host, c.host);
      EXPECT_EQ(address.port, c.port);
    }
  }
}

TEST(BinaryMonitorTest, ResponseIsParsedOnlyWhenWhole) {
  const Bytes stream = {0x02, 0x02, 3,    0,    0,   0,   0xdd, 0x8f,
                        0x78, 0x56, 0x34, 0x12, 'a', 'b', 'c',  0x02};
  MonitorResponse response;
  std::size_t consumed = 0;
  for (std::size_t size = 0; size < 15; ++size) {
    SCOPED_TRACE(size);
    EXPECT_EQ(ParseMonitorResponse(Bytes(stream.begin(), stream.begin() + size),
                                   &response, &consumed),
              ParseStatus::kIncomplete);
  }
  ASSERT_EQ(ParseMonitorResponse(stream, &response, &consumed),
            ParseStatus::kComplete);
  EXPECT_EQ(consumed, 15u);  // The next response's STX stays.
  EXPECT_EQ(response.type, 0xdd);
  EXPECT_EQ(response.error, 0x8f);
  EXPECT_EQ(response.request_id, 0x12345678u);
  EXPECT_EQ(response.body, (Bytes{'a', 'b', 'c'}));
}

TEST(BinaryMonitorTest, StreamThatIsNotTheMonitorsIsMalformed) {
  const Bytes cases[] = {
      {'H'},         // No STX.
      {0x02, 0x03},  // An API version we don't know.
      {0x02, 0x01, 0, 0, 0, 0x10, 0, 0, 0, 0, 0, 0},  // A 256 MiB body.
  };
  for (const Bytes& bytes : cases) {
    MonitorResponse response;
    std::size_t consumed = 0;
    EXPECT_EQ(ParseMonitorResponse(bytes, &response, &consumed),
              ParseStatus::kMalformed);
  }
}

}  // namespace
}  // namespace quennet::brackwin
