// ParseMonitorResponse on arbitrary byte streams, as a peer on the monitor's
// port may send them: every response it takes is exactly the bytes it
// consumed, and it never reads past the stream.
#include <cstdint>
#include <vector>

#include "emulator/binary_monitor.h"
#include "fuzz_check.h"

namespace brackwin = quennet::brackwin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  std::vector<unsigned char> stream(data, data + size);
  for (;;) {
    brackwin::MonitorResponse response;
    std::size_t consumed = 0;
    const brackwin::ParseStatus status =
        brackwin::ParseMonitorResponse(stream, &response, &consumed);
    if (status != brackwin::ParseStatus::kComplete) return 0;
    FUZZ_CHECK(consumed == 12 + response.body.size());
    FUZZ_CHECK(consumed <= stream.size());
    // Framed again, the response gives back the bytes it came from.
    std::vector<unsigned char> framed(stream.begin(), stream.begin() + 2);
    const auto length = static_cast<std::uint32_t>(response.body.size());
    for (int i = 0; i < 4; ++i) framed.push_back(length >> (8 * i) & 0xff);
    framed.push_back(response.type);
    framed.push_back(response.error);
    for (int i = 0; i < 4; ++i) {
      framed.push_back(response.request_id >> (8 * i) & 0xff);
    }
    framed.insert(framed.end(), response.body.begin(), response.body.end());
    FUZZ_CHECK(std::vector<unsigned char>(stream.begin(),
                                          stream.begin() + consumed) == framed);
    stream.erase(stream.begin(), stream.begin() + consumed);
  }
}
