#include "diag/debug_output.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quennet::brackwin {
namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

std::vector<int> CountersOf(const DebugOutput& output) {
  const std::int32_t* counters = output.Counters();
  return {counters[0], counters[1], counters[2]};
}

class RecordingOutput : public DebugOutput {
 public:
  void Print(const char* text) override { printed.push_back(text); }
  std::vector<std::string> printed;
};

TEST(DebugOutputTest, EachChannelWritesToStdoutAndCountsItself) {
  DebugOutput output;
  EXPECT_EQ(CountersOf(output), (std::vector<int>{0, 0, 0}));

  CaptureStdout();
  output.Error("no filename specified\n");
  EXPECT_EQ(GetCapturedStdout(), "no filename specified\n");
  EXPECT_EQ(CountersOf(output), (std::vector<int>{0, 0, 1}));

  CaptureStdout();
  output.Warning("%d files", 3);
  EXPECT_EQ(GetCapturedStdout(), "3 files");
  EXPECT_EQ(CountersOf(output), (std::vector<int>{0, 1, 1}));

  CaptureStdout();
  output.Message("%s-%c", "a", 'b');
  output.Message("x");
  EXPECT_EQ(GetCapturedStdout(), "a-bx");
  EXPECT_EQ(CountersOf(output), (std::vector<int>{2, 1, 1}));
}

TEST(DebugOutputTest, PrintDoesNotInterpretPercent) {
  DebugOutput output;
  CaptureStdout();
  output.Print("100%");
  output.Print("%s%n%d");
  EXPECT_EQ(GetCapturedStdout(), "100%%s%n%d");
  EXPECT_EQ(CountersOf(output), (std::vector<int>{0, 0, 0}));
}

TEST(DebugOutputTest, DerivedPrintReceivesEveryChannel) {
  RecordingOutput output;
  output.Message("m%d", 1);
  output.Warning("w%d", 2);
  output.Error("e%d", 3);
  EXPECT_EQ(output.printed, (std::vector<std::string>{"m1", "w2", "e3"}));
  EXPECT_EQ(CountersOf(output), (std::vector<int>{1, 1, 1}));
}

TEST(DebugOutputTest, ZeroByteEndsFormattedText) {
  RecordingOutput output;
  output.Message("ab%ccd", 0);
  EXPECT_EQ(output.printed, (std::vector<std::string>{"ab"}));
}

TEST(DebugOutputTest, LongTextIsCutAt4095Bytes) {
  RecordingOutput output;
  const std::string long_text(10000, 'x');
  output.Error("%s", long_text.c_str());
  ASSERT_EQ(output.printed.size(), 1u);
  EXPECT_EQ(output.printed[0], std::string(4095, 'x'));
  // The channel's buffer is whole again for the next, short message.
  output.Error("%s", "ok");
  EXPECT_EQ(output.printed[1], "ok");
  EXPECT_EQ(CountersOf(output), (std::vector<int>{0, 0, 2}));
}

}  // namespace
}  // namespace quennet::brackwin
