#include "shared/drop_files.h"

#include <cstdint>
#include <cstring>

namespace quennet::brackwin {
namespace {

constexpr std::size_t kHeaderSize = 20;

void PutLittleEndian32(unsigned char* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    out[i] = static_cast<unsigned char>(value >> (8 * i));
}

}  // namespace

std::size_t DropFilesBlockSize(std::size_t path_length) {
  return ((path_length + 23) / 32 + 1) * 32;
}

std::vector<unsigned char> BuildDropFilesBlock(const std::string& path) {
  std::vector<unsigned char> block(DropFilesBlockSize(path.size()), 0);
  PutLittleEndian32(&block[0], kHeaderSize);  // pFiles
  PutLittleEndian32(&block[4], 10);           // pt.x
  PutLittleEndian32(&block[8], 10);           // pt.y
  // fNC (client coordinates) and fWide (ANSI) stay 0.
  std::memcpy(&block[kHeaderSize], path.data(), path.size());
  return block;
}

}  // namespace quennet::brackwin
