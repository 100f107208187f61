#include "platform/xdnd.h"

#include <cstring>

namespace quennet::brackwin {

std::string FileUriList(const std::string& absolute_path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (const char c : absolute_path) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
        (byte >= '0' && byte <= '9') ||
        (byte != 0 && std::strchr("-._~/", byte) != nullptr)) {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 0xF];
    }
  }
  return uri + "\r\n";
}

long PackXdndPoint(int x, int y) {
  // In unsigned arithmetic: shifting a negative value is undefined.
  const unsigned long packed = (static_cast<unsigned long>(x) & 0xFFFF) << 16 |
                               (static_cast<unsigned long>(y) & 0xFFFF);
  return static_cast<long>(packed);
}

}  // namespace quennet::brackwin
