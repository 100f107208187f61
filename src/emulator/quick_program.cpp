#include "emulator/quick_program.h"

#include <cctype>

namespace quennet::brackwin {
namespace {

constexpr std::uint16_t kBasicStart = 0x0801;
constexpr unsigned char kSysToken = 0x9e;

// Whether [first, last] meets $0000-$03FF (zero page, stack, the KERNAL's and
// BASIC's work areas, the vectors) or $D000-$DFFF (the chips' registers).
bool MeetsSystem(long first, long last) {
  return first <= 0x03ff || (first <= 0xdfff && last >= 0xd000);
}

}  // namespace

QuickCheck ReadQuickProgram(const std::vector<unsigned char>& file,
                            QuickProgram* program) {
  if (file.size() < 2) return QuickCheck::kTooShort;
  const long load = file[0] | file[1] << 8;
  const long last = load + static_cast<long>(file.size()) - 3;
  if (last > 0xffff) return QuickCheck::kTooLong;
  if (file.size() > 2 && MeetsSystem(load, last)) return QuickCheck::kSystem;
  if (load != kBasicStart) return QuickCheck::kNoSysLine;
  // The line: link (2 bytes), number (2 bytes), text up to a 0 byte.
  std::size_t at = 6;
  const auto skip_spaces = [&file, &at] {
    while (at < file.size() && file[at] == ' ') ++at;
  };
  skip_spaces();
  if (at >= file.size() || file[at++] != kSysToken) {
    return QuickCheck::kNoSysLine;
  }
  skip_spaces();
  const bool parenthesis = at < file.size() && file[at] == '(';
  if (parenthesis) ++at;
  long entry = 0;
  int digits = 0;
  for (;; ++at) {
    skip_spaces();
    if (at >= file.size() || !std::isdigit(file[at])) break;
    entry = entry * 10 + (file[at] - '0');
    if (entry > 0xffff) return QuickCheck::kNoSysLine;
    ++digits;
  }
  if (parenthesis && at < file.size() && file[at] == ')') {
    ++at;
    skip_spaces();
  }
  if (digits == 0 || at >= file.size() || (file[at] != 0 && file[at] != ':')) {
    return QuickCheck::kNoSysLine;
  }
  program->load = static_cast<std::uint16_t>(load);
  program->entry = static_cast<std::uint16_t>(entry);
  program->bytes.assign(file.begin() + 2, file.end());
  return QuickCheck::kReady;
}

std::string DescribeQuickCheck(QuickCheck check) {
  switch (check) {
    case QuickCheck::kReady:
      break;
    case QuickCheck::kTooShort:
      return "it is shorter than its load address";
    case QuickCheck::kTooLong:
      return "it runs past $FFFF";
    case QuickCheck::kSystem:
      return "it would overwrite $0000-$03FF or the I/O area $D000-$DFFF";
    case QuickCheck::kNoSysLine:
      return "it does not start with a BASIC line SYS <address> at $0801";
  }
  return "";
}

std::vector<unsigned char> BuildEntryWait(std::uint16_t entry) {
  // 40 times 256 rounds of DEY/BNE: about 51,400 cycles, more than two PAL
  // frames (19,656 cycles each) or three NTSC ones (17,095).
  // LDX #40; LDY #0; DEY; BNE back to DEY; DEX; BNE back to LDY; JMP entry.
  // clang-format off
  return {0xa2, 40, 0xa0, 0x00, 0x88, 0xd0, 0xfd, 0xca, 0xd0, 0xf8, 0x4c,
          static_cast<unsigned char>(entry),
          static_cast<unsigned char>(entry >> 8)};
  // clang-format on
}

}  // namespace quennet::brackwin
