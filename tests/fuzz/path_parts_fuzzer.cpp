// SplitPath and MakePath on arbitrary paths, with and without the lead bytes
// of code page 932 (chosen by the first input byte).
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "paths/path_parts.h"

namespace brackwin = quennet::brackwin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size == 0) return 0;
  brackwin::LeadByteTable lead_bytes;
  if (data[0] & 1) {
    lead_bytes.AddRange(0x81, 0x9F);
    lead_bytes.AddRange(0xE0, 0xFC);
  }
  const std::string path(reinterpret_cast<const char*>(data) + 1, size - 1);

  std::string drive = "x", dir = "x", fname = "x", ext = "x";
  const bool split =
      brackwin::SplitPath(path, lead_bytes, &drive, &dir, &fname, &ext);
  FUZZ_CHECK(drive.size() <= 2);
  FUZZ_CHECK(dir.size() <= brackwin::kMaxPartLength);
  FUZZ_CHECK(fname.size() <= brackwin::kMaxPartLength);
  FUZZ_CHECK(ext.size() <= brackwin::kMaxPartLength);
  if (!split) {
    // An overflow gives four empty parts, and only a long path overflows.
    FUZZ_CHECK(drive.empty() && dir.empty() && fname.empty() && ext.empty());
    FUZZ_CHECK(path.size() > brackwin::kMaxPartLength);
    return 0;
  }
  FUZZ_CHECK(ext.empty() || ext[0] == '.');

  std::string joined;
  brackwin::MakePath(&joined, drive, dir, fname, ext, lead_bytes);
  FUZZ_CHECK(joined == path);

  brackwin::LaunchPaths paths;
  FUZZ_CHECK(brackwin::DeriveLaunchPaths(path, lead_bytes, {}, &paths));
  FUZZ_CHECK(paths.working_directory == drive + dir);
  FUZZ_CHECK(paths.program == drive + dir + fname + ".prg");
  return 0;
}
