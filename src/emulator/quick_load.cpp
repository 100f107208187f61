#include "emulator/quick_load.h"

#include <cstdint>
#include <vector>

namespace quennet::brackwin {
namespace {

constexpr std::uint32_t kQuickLoadRequestId = 0x62727771;
constexpr unsigned char kMemoryGetCommand = 0x01;
constexpr unsigned char kMemorySetCommand = 0x02;
constexpr unsigned char kRegistersSetCommand = 0x32;
constexpr unsigned char kBanksCommand = 0x82;
constexpr unsigned char kRegisterIdsCommand = 0x83;
constexpr unsigned char kMainMemory = 0;

// Where the KERNAL keeps the table that its RESTOR routine copies to the
// RAM vectors $0314-$0333, and where BASIC keeps its warm start's address.
constexpr std::uint16_t kKernalVectorTable = 0xfd30;
constexpr std::uint16_t kRamVectors = 0x0314;
constexpr std::size_t kRamVectorBytes = 0x20;
constexpr std::uint16_t kBasicWarmStartVector = 0xa002;
// The stack as the program finds it: its top holds the return address.
constexpr std::uint16_t kStackPointer = 0xfd;
constexpr std::uint16_t kReturnAddress = 0x0100 + kStackPointer + 1;
// The status register: the unused bit, I (interrupts) and D (decimal) clear.
constexpr std::uint16_t kFlags = 0x20;

void PutWord(std::vector<unsigned char>* out, unsigned value) {
  out->push_back(static_cast<unsigned char>(value));
  out->push_back(static_cast<unsigned char>(value >> 8));
}

// The header of a memory request: side effects, start, end, memory, bank.
std::vector<unsigned char> MemoryRange(bool side_effects, std::uint16_t start,
                                       std::size_t count, int bank) {
  std::vector<unsigned char> body = {
      static_cast<unsigned char>(side_effects ? 1 : 0)};
  PutWord(&body, start);
  PutWord(&body, static_cast<unsigned>(start + count - 1));
  body.push_back(kMainMemory);
  PutWord(&body, static_cast<unsigned>(bank));
  return body;
}

// The id of the item named `name` in an answer to 0x82 (banks: id u16) or
// 0x83 (registers: id u8): a count (u16), then items of a size byte, the
// id, for registers their width, then the name's length and the name.
int FindItemId(const std::vector<unsigned char>& body, const std::string& name,
               bool wide_id) {
  for (std::size_t at = 2; at < body.size(); at += 1 + body[at]) {
    const std::size_t size = body[at];
    if (at + 1 + size > body.size() || size < 3) break;
    const unsigned char* item = &body[at + 1];
    if (item[2] == name.size() && 3u + name.size() <= size &&
        name.compare(0, name.size(), reinterpret_cast<const char*>(item + 3),
                     name.size()) == 0) {
      return wide_id ? item[0] | item[1] << 8 : item[0];
    }
  }
  return -1;
}

// One exchange of the quick start: asks, and keeps VICE's first refusal.
class Steps {
 public:
  Steps(MonitorConnection& monitor, std::string* refused)
      : monitor_(monitor), refused_(refused) {}

  // Asks `command` with `body`, as `what` for a refusal; false once
  // anything went wrong, now or before.
  bool Ask(unsigned char command, const std::vector<unsigned char>& body,
           const char* what, MonitorResponse* answer = nullptr) {
    if (status_ != MonitorConnection::Answer::kAnswered || !refused_->empty()) {
      return false;
    }
    MonitorResponse own;
    if (answer == nullptr) answer = &own;
    status_ = monitor_.Ask(BuildRequest(command, kQuickLoadRequestId, body),
                           kQuickLoadRequestId, answer);
    if (status_ != MonitorConnection::Answer::kAnswered) return false;
    if (answer->error != 0) {
      *refused_ = std::string("VICE refused ") + what;
      return false;
    }
    return true;
  }

  // Writes `bytes` at `start` of `bank`.
  bool Write(int bank, std::uint16_t start,
             const std::vector<unsigned char>& bytes, const char* what) {
    std::vector<unsigned char> body =
        MemoryRange(true, start, bytes.size(), bank);
    body.insert(body.end(), bytes.begin(), bytes.end());
    return Ask(kMemorySetCommand, body, what);
  }

  // Reads `count` bytes at `start` of `bank` into `bytes`.
  bool Read(int bank, std::uint16_t start, std::size_t count,
            std::vector<unsigned char>* bytes, const char* what) {
    MonitorResponse answer;
    if (!Ask(kMemoryGetCommand, MemoryRange(false, start, count, bank), what,
             &answer)) {
      return false;
    }
    // The length (u16), then the bytes.
    if (answer.body.size() < 2 + count) return Refuse(what);
    bytes->assign(answer.body.begin() + 2, answer.body.begin() + 2 + count);
    return true;
  }

  // The id named `name` in the answer to `command`; -1 (refused) if none.
  int FindId(const MonitorResponse& answer, const char* name, bool wide_id,
             const char* what) {
    const int id = FindItemId(answer.body, name, wide_id);
    if (id < 0) Refuse(what);
    return id;
  }

  bool Refuse(const char* what) {
    if (refused_->empty()) *refused_ = std::string("VICE has no ") + what;
    return false;
  }

  MonitorConnection::Answer status() const { return status_; }
  // Whether every request so far was answered, and none refused.
  bool ok() const {
    return status_ == MonitorConnection::Answer::kAnswered && refused_->empty();
  }

 private:
  MonitorConnection& monitor_;
  std::string* refused_;
  MonitorConnection::Answer status_ = MonitorConnection::Answer::kAnswered;
};

}  // namespace

MonitorConnection::Answer PrepareQuickStart(MonitorConnection& monitor,
                                            const QuickProgram& program,
                                            bool wait_first,
                                            std::string* refused) {
  refused->clear();
  Steps steps(monitor, refused);
  MonitorResponse banks, registers;
  steps.Ask(kBanksCommand, {}, "the list of its memory banks", &banks);
  steps.Ask(kRegisterIdsCommand, {kMainMemory}, "the list of its registers",
            &registers);
  if (!steps.ok()) return steps.status();
  const int cpu = steps.FindId(banks, "cpu", true, "memory bank \"cpu\"");
  const int ram = steps.FindId(banks, "ram", true, "memory bank \"ram\"");
  const int rom = steps.FindId(banks, "rom", true, "memory bank \"rom\"");
  const int io = steps.FindId(banks, "io", true, "memory bank \"io\"");
  const int pc = steps.FindId(registers, "PC", false, "register PC");
  const int sp = steps.FindId(registers, "SP", false, "register SP");
  const int flags = steps.FindId(registers, "FL", false, "register FL");
  if (!steps.ok()) return steps.status();

  std::vector<unsigned char> vectors, warm_start;
  steps.Read(rom, kKernalVectorTable, kRamVectorBytes, &vectors,
             "to read the KERNAL ROM");
  steps.Read(rom, kBasicWarmStartVector, 2, &warm_start,
             "to read the BASIC ROM");
  if (!steps.ok()) return steps.status();
  const unsigned warm = warm_start[0] | warm_start[1] << 8;
  const unsigned end = program.load + program.bytes.size();
  std::vector<unsigned char> basic, basic_too, back;
  for (const unsigned word : {unsigned{program.load}, end, end, end}) {
    PutWord(&basic, word);  // $2B/$2C start, $2D-$32 variables, arrays, end.
  }
  PutWord(&basic_too, program.load);  // $AC/$AD, $AE/$AF as the loader sets.
  PutWord(&basic_too, end);
  PutWord(&back, warm - 1);  // RTS adds one.

  steps.Write(ram, program.load, program.bytes, "the program's bytes");
  steps.Write(ram, 0x2b, basic, "BASIC's pointers");
  steps.Write(ram, 0xac, basic_too, "BASIC's pointers");
  steps.Write(ram, kRamVectors, vectors, "the RAM vectors");
  steps.Write(ram, kReturnAddress, back, "the stack");
  if (wait_first) {
    steps.Write(ram, kEntryWaitAddress, BuildEntryWait(program.entry),
                "the wait before the entry");
  }
  // The processor port: its direction, then ROMs and I/O in.
  steps.Write(cpu, 0x00, {0x2f, 0x37}, "the processor port");
  // The VIC's interrupts off, then any pending one acknowledged.
  steps.Write(io, 0xd01a, {0x00}, "the VIC's interrupt mask");
  steps.Write(io, 0xd019, {0xff}, "the VIC's interrupt flags");
  // The CIAs' masks: all cleared (bit 7 clear), then CIA 1's timer A set.
  steps.Write(io, 0xdc0d, {0x7f}, "CIA 1's interrupt mask");
  steps.Write(io, 0xdc0d, {0x81}, "CIA 1's interrupt mask");
  steps.Write(io, 0xdd0d, {0x7f}, "CIA 2's interrupt mask");
  std::vector<unsigned char> set = {kMainMemory};
  PutWord(&set, 3);
  const unsigned start = wait_first ? kEntryWaitAddress : program.entry;
  for (const auto& [id, value] : {std::pair<int, unsigned>{sp, kStackPointer},
                                  {flags, kFlags},
                                  {pc, start}}) {
    set.push_back(3);  // The item's size: id and value.
    set.push_back(static_cast<unsigned char>(id));
    PutWord(&set, value);
  }
  steps.Ask(kRegistersSetCommand, set, "the registers");
  return steps.status();
}

}  // namespace quennet::brackwin
