#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fake_platform.h"
#include "monitor_answers.h"
#include "run_tool.h"

namespace quennet::brackwin {
namespace {

class SetupCheckTest : public testing::Test {
 protected:
  FakeSystem system_;
  std::string output_;
  FakePlatform& platform_ = system_.platform;
};

TEST_F(SetupCheckTest, CheckSaysWhatIsThereAndChangesNothing) {
  FakeSystem system;
  system.platform.syntax = CommandSyntax::kPosix;
  system.platform.environment.push_back({"DISPLAY", ":0"});
  system.sockets.listening = true;
  system.sockets.owner.pid = 99;
  system.sockets.answers = {Answer(0x51, 0, kMachineCheckRequestId, 6),
                            Answer(0xaa, 0, kMachineCheckRequestId)};
  EXPECT_EQ(RunTool(system, "--check", &output_), 0);
  EXPECT_EQ(output_,
            "java: found, C:\\Program Files\\Java\\bin\\java.exe\n"
            "KickAss.jar: found in KICKASS_PATH (C:\\KickAssembler)\n"
            ".prg association: missing: associate .prg files with x64sc (see "
            "the README)\n"
            "VICE's monitor at 127.0.0.1:6502: found, a C64 (pid 99)\n"
            "VICE's text monitor at 127.0.0.1:6510: missing: start VICE with "
            "-remotemonitor to give debug runs (-d) the source's labels\n"
            "VICE window on the X display :93: none open\n"
            "display: found, DISPLAY=:0\n"
            "ready: brackwin -f SOURCE -r -e can run\n");
  // It left the monitor, so that VICE runs on; nothing ran.
  ASSERT_EQ(system.sockets.sent.size(), 2u);
  EXPECT_EQ(system.sockets.sent[1],
            BuildRequest(0xaa, kMachineCheckRequestId, {}));
  EXPECT_TRUE(system.platform.commands.empty());
  EXPECT_TRUE(system.platform.opens.empty());

  // No route into VICE: not ready.
  FakeSystem none;
  EXPECT_EQ(RunTool(none, "--check", &output_), -1);
  EXPECT_NE(output_.find("VICE's monitor at 127.0.0.1:6502: missing: start "
                         "VICE with -binarymonitor"),
            std::string::npos);
  EXPECT_EQ(output_.substr(output_.size() - 31),
            "not ready: see the lines above\n");

  // A VICE window alone is a way in; a text monitor is none, and is sent
  // nothing, which would stop VICE.
  none.windows.vice_window = "VICE (C64SC)";
  none.sockets.text_listening = true;
  EXPECT_EQ(RunTool(none, "--check", &output_), 0);
  EXPECT_NE(output_.find("VICE's text monitor at 127.0.0.1:6510: found (labels "
                         "for -d)\nVICE window on the X display :93: found, "
                         "\"VICE (C64SC)\"\nready: "),
            std::string::npos)
      << output_;
  EXPECT_EQ(none.sockets.text_sent, "");

  // Unless -r -e would meet a probe that went unanswered, or a VICE that
  // takes nothing now.
  const struct {
    void (*set)(FakeSystem&);
    const char* line;
    int status = -1;
  } blocked[] = {
      {[](FakeSystem& s) { s.platform.association_times_out = true; },
       ".prg association: unknown: "},
      {[](FakeSystem& s) { s.windows.vice_window_reason = Reason::kDisabled; },
       "found, \"VICE (C64SC)\", but it is disabled"},
      // Even beside a route that is there.
      {[](FakeSystem& s) {
         s.windows.display_silent = true;
         s.platform.association = {"vice.desktop", "x64sc", true};
       },
       "unknown: the display does not answer"},
      {[](FakeSystem& s) {
         s.sockets.answers = {{'H', 'T', 'T', 'P'}};
       },
       "what answers is not VICE's monitor", 0},
      // The window's process listens elsewhere, besides the port asked.
      {[](FakeSystem& s) {
         s.sockets.listening = false;
         s.sockets.other_ports = {6502, 6510};
       },
       "missing: VICE (pid 77) listens on 127.0.0.1:6510: if that is its "
       "monitor, set BRACKWIN_MONITOR=127.0.0.1:6510\n",
       0},
  };
  for (const auto& b : blocked) {
    SCOPED_TRACE(b.line);
    FakeSystem system;
    system.windows.vice_window = "VICE (C64SC)";
    system.sockets.listening = true;
    b.set(system);
    EXPECT_EQ(RunTool(system, "--check", &output_), b.status);
    EXPECT_NE(output_.find(b.line), std::string::npos) << output_;
  }
}

}  // namespace
}  // namespace quennet::brackwin
