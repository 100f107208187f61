#ifndef BRACKWIN_PATHS_LEAD_BYTES_H_
#define BRACKWIN_PATHS_LEAD_BYTES_H_

#include <bitset>

namespace quennet::brackwin {

/// The bytes that begin a double-byte character in the ANSI code page. In
/// such a code page (932, 936, 949, 950) a lead byte and the byte after it
/// form one character, and the trail byte may equal '\\' or '.'. A
/// single-byte code page has no lead bytes: that is the default.
class LeadByteTable {
 public:
  /// Marks the bytes from `first` to `last`, both included, as lead bytes.
  void AddRange(unsigned char first, unsigned char last) {
    for (unsigned int b = first; b <= last; ++b) lead_.set(b);
  }

  bool IsLead(unsigned char byte) const { return lead_.test(byte); }

  bool operator==(const LeadByteTable& other) const {
    return lead_ == other.lead_;
  }

 private:
  std::bitset<256> lead_;
};

}  // namespace quennet::brackwin

#endif  // BRACKWIN_PATHS_LEAD_BYTES_H_
