#ifndef BRACKWIN_TESTS_MONITOR_ANSWERS_H_
#define BRACKWIN_TESTS_MONITOR_ANSWERS_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "emulator/binary_monitor.h"

// What VICE's monitor sends and is sent, for the tests that play it.
namespace quennet::brackwin {

// A monitor answer: `type`, `error` and `request_id`, with a body of `body`
// bytes.
inline std::vector<unsigned char> Answer(unsigned char type,
                                         unsigned char error,
                                         std::uint32_t request_id,
                                         int body = 0) {
  std::vector<unsigned char> bytes = {
      2, 2, static_cast<unsigned char>(body), 0, 0, 0, type, error};
  for (int i = 0; i < 4; ++i) bytes.push_back(request_id >> (8 * i) & 0xff);
  bytes.resize(bytes.size() + body, 0xaa);
  return bytes;
}

// A checkpoint-info answer for checkpoint `number` of `operation`, with
// only the fields the tool reads (VICE sends 22 bytes).
inline std::vector<unsigned char> Info(std::uint32_t number,
                                       unsigned char operation,
                                       std::uint32_t request_id) {
  std::vector<unsigned char> info = Answer(0x11, 0, request_id, 12);
  for (int i = 0; i < 4; ++i) info[12 + i] = number >> (8 * i) & 0xff;
  info[12 + 11] = operation;
  return info;
}

inline std::vector<unsigned char> AutostartRequest(const std::string& file) {
  std::vector<unsigned char> request;
  EXPECT_TRUE(BuildAutostartRequest(file, kAutostartRequestId, &request));
  return request;
}

}  // namespace quennet::brackwin

#endif  // BRACKWIN_TESTS_MONITOR_ANSWERS_H_
