#include "emulator/quick_program.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "emulator/quick_load.h"
#include "fake_platform.h"
#include "monitor_answers.h"

namespace quennet::brackwin {
namespace {

// A program at `load` whose first BASIC line's text is `text`, then `code`.
std::vector<unsigned char> Program(unsigned load, const std::string& text,
                                   std::size_t code = 4) {
  std::string bytes = "..\x0b\x08\x0a" + std::string(1, '\0') + text;
  bytes[0] = static_cast<char>(load & 0xff);
  bytes[1] = static_cast<char>(load >> 8);
  bytes += std::string(1, '\0') + std::string(code, '\xea');
  return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

TEST(QuickProgramTest, OnlyASysLineAtBasicsStartOutsideTheSystemAreasGoesIn) {
  const std::string sys = "\x9e", print = "\x99";
  const struct {
    std::vector<unsigned char> file;
    QuickCheck check;
    int entry;
  } cases[] = {
      {Program(0x0801, sys + "2061"), QuickCheck::kReady, 2061},
      {Program(0x0801, " " + sys + " ( 4 096 ) "), QuickCheck::kReady, 4096},
      {Program(0x0801, sys + "49152:\x8f"), QuickCheck::kReady, 49152},
      {Program(0x0801, print + "2061"), QuickCheck::kNoSysLine, 0},
      {Program(0x0801, sys), QuickCheck::kNoSysLine, 0},
      {Program(0x0801, sys + "65536"), QuickCheck::kNoSysLine, 0},
      {Program(0x0801, sys + "2061+1"), QuickCheck::kNoSysLine, 0},
      {Program(0xc000, sys + "2061"), QuickCheck::kNoSysLine, 0},
      {{0x01}, QuickCheck::kTooShort, 0},
      {Program(0x03f0, sys + "2061"), QuickCheck::kSystem, 0},
      {Program(0x0801, sys + "2061", 0xd000 - 0x0801), QuickCheck::kSystem, 0},
      {Program(0xffe0, sys + "2061", 0x20), QuickCheck::kTooLong, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    QuickProgram program;
    EXPECT_EQ(ReadQuickProgram(c.file, &program), c.check);
    if (c.check != QuickCheck::kReady) continue;
    EXPECT_EQ(program.entry, c.entry);
    EXPECT_EQ(program.load, 0x0801);
    EXPECT_EQ(program.bytes.size(), c.file.size() - 2);
  }
  // The wait ends in a jump to the entry.
  const std::vector<unsigned char> wait = BuildEntryWait(0x1234);
  EXPECT_EQ(std::vector<unsigned char>(wait.end() - 3, wait.end()),
            (std::vector<unsigned char>{0x4c, 0x34, 0x12}));
}

// An answer of `type` to the quick load's requests, with `body`.
std::vector<unsigned char> Quick(unsigned char type,
                                 std::vector<unsigned char> body) {
  std::vector<unsigned char> answer =
      Answer(type, 0, 0x62727771, static_cast<int>(body.size()));
  std::copy(body.begin(), body.end(), answer.end() - body.size());
  return answer;
}

TEST(QuickLoadTest, VicesOwnIdsAndTheKernalsTableAreUsed) {
  // VICE's lists: a count, then items of size, id (banks: u16; registers:
  // u8 and width), name length, name.
  const std::string bank_list("\4\0\6\5\0\3cpu\6\6\0\3ram\6\7\0\3rom\5\3\1\2io",
                              29);
  const std::string register_list("\3\0\5\x14\10\2SP\5\x13\20\2PC\5\x15\10\2FL",
                                  20);
  const std::vector<unsigned char> banks(bank_list.begin(), bank_list.end()),
      registers(register_list.begin(), register_list.end());
  std::vector<unsigned char> table = {32, 0};
  for (int i = 0; i < 32; ++i) table.push_back(0x40 + i);
  FakeSockets sockets;
  sockets.listening = true;
  sockets.answers = {Answer(0x51, 0, kMachineCheckRequestId, 6),
                     Quick(0x82, banks), Quick(0x83, registers),
                     Quick(0x01, table), Quick(0x01, {2, 0, 0x7b, 0xe3})};
  for (int i = 0; i < 13; ++i) sockets.answers.push_back(Quick(0x02, {}));
  sockets.answers.push_back(Answer(0x14, 0, kCheckpointsRequestId, 4));
  sockets.answers.push_back(Answer(0xaa, 0, kQuickStartRequestId));
  // A debug run without breakpoints: the wait first.
  const std::vector<Breakpoint> none;
  QuickProgram program{0x0801, 0x080d, {1, 2, 3}};
  const HandOff result =
      AutostartThroughMonitor(sockets, MonitorAddress(), ListenerOwner(),
                              "/demo.prg", Deadline(1000), &none, &program);
  EXPECT_EQ(result.outcome, Outcome::kDelivered);
  EXPECT_EQ(result.monitor.started_at, 0x080d);
  // Half-closed with the exit, before its answer: VICE ends the connection
  // before the program reaches a breakpoint.
  EXPECT_EQ(sockets.answers_read_at_shutdown, sockets.answers.size() - 1);
  // Memory sets: side effects, start, end, main memory, bank, bytes.
  const auto set = [](unsigned start, unsigned bank,
                      std::vector<unsigned char> bytes) {
    const unsigned end = start + bytes.size() - 1;
    bytes.insert(bytes.begin(), {1, static_cast<unsigned char>(start),
                                 static_cast<unsigned char>(start >> 8),
                                 static_cast<unsigned char>(end),
                                 static_cast<unsigned char>(end >> 8), 0,
                                 static_cast<unsigned char>(bank),
                                 static_cast<unsigned char>(bank >> 8)});
    return BuildRequest(0x02, 0x62727771, bytes);
  };
  ASSERT_EQ(sockets.sent.size(), 20u);
  EXPECT_EQ(sockets.sent[5], set(0x0801, 6, {1, 2, 3}));
  EXPECT_EQ(sockets.sent[8],
            set(0x0314, 6,
                std::vector<unsigned char>(table.begin() + 2, table.end())));
  EXPECT_EQ(sockets.sent[9], set(0x01fe, 6, {0x7a, 0xe3}));
  EXPECT_EQ(sockets.sent[12], set(0xd01a, 0x103, {0}));
  // SP, FL, then PC at the wait before the entry.
  EXPECT_EQ(sockets.sent[17], BuildRequest(0x32, 0x62727771,
                                           {0, 3, 0, 3, 0x14, 0xfd, 0, 3, 0x15,
                                            0x20, 0, 3, 0x13, 0xa7, 0x02}));
  // A VICE without a bank of that name is not written to.
  sockets = FakeSockets();
  sockets.listening = true;
  sockets.answers = {Quick(0x82, {1, 0, 6, 5, 0, 3, 'c', 'p', 'u'}),
                     Quick(0x83, registers)};
  MonitorConnection monitor(sockets, Deadline(1000));
  ASSERT_TRUE(monitor.Open(MonitorAddress()));
  std::string refused;
  EXPECT_EQ(PrepareQuickStart(monitor, program, false, &refused),
            MonitorConnection::Answer::kAnswered);
  EXPECT_EQ(refused, "VICE has no memory bank \"ram\"");
  EXPECT_EQ(sockets.sent.size(), 2u);
}

}  // namespace
}  // namespace quennet::brackwin
