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
