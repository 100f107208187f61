#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "emulator/binary_monitor.h"
#include "fake_platform.h"
#include "monitor_answers.h"
#include "run_tool.h"

namespace quennet::brackwin {
namespace {

HandOff Window(Outcome outcome, Reason reason = Reason::kNone) {
  HandOff result;
  result.route = Route::kWindow;
  result.outcome = outcome;
  result.reason = reason;
  result.title = "VICE (C64SC)";
  result.pid = 77;
  return result;
}

class HandOffChainTest : public testing::Test {
 protected:
  FakeSystem system_;
  std::string output_;
  FakePlatform& platform_ = system_.platform;
};

TEST_F(HandOffChainTest, WindowOutcomesEndTheChainOrGoOn) {
  const std::string opened = "demo.prg: opened with ShellExecute\n";
  const std::string title = "the VICE window \"VICE (C64SC)\"";
  struct Case {
    HandOff window;
    bool result;
    std::string output;
    bool opened;  // The shell took the route after it.
  };
  const Case cases[] = {
      {Window(Outcome::kDelivered), true,
       "demo.prg: dropped onto " + title + " (pid 77)\n", false},
      // It may have arrived: nothing else may deliver it again.
      {Window(Outcome::kUnconfirmed), true,
       "warning: " + title +
           " took demo.prg but did not confirm the drop in time\n",
       false},
      {Window(Outcome::kRefused, Reason::kDropUnanswered), true,
       "warning: " + title + " did not answer the drop in time\n" + opened,
       true},
      {Window(Outcome::kRefused, Reason::kDropDeclined), true,
       "warning: " + title + " declined the drop\n" + opened, true},
      {Window(Outcome::kRefused, Reason::kDataNotAsked), true,
       "warning: " + title + " never asked for the dropped file\n" + opened,
       true},
      {Window(Outcome::kRefused, Reason::kNotResponding), true,
       "warning: " + title + " is not responding\n" + opened, true},
      {Window(Outcome::kRefused, Reason::kDisabled), true,
       "warning: " + title + " is disabled: a dialog is open in VICE\n" +
           opened,
       true},
      {Window(Outcome::kAbsent), true,
       "demo.prg: no running VICE found (monitor at 127.0.0.1:6502, C64 "
       "window); opened with ShellExecute\n",
       true},
      {Window(Outcome::kAbsent, Reason::kNoDisplay), true,
       "demo.prg: no running VICE found (monitor at 127.0.0.1:6502); opened "
       "with ShellExecute\n",
       true},
      // What the shell would start needs the same display.
      {Window(Outcome::kFailed, Reason::kDisplaySilent), false,
       "the X display :93 did not answer within 3 s; nothing was handed on\n",
       false},
      {Window(Outcome::kFailed, Reason::kCrashed), false,
       "the window search on the X display :93 ended by signal 0; nothing "
       "was handed on\n",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.output);
    FakeSystem system;
    system.windows.drop = c.window;
    std::string output;
    EXPECT_EQ(RunTool(system, "-f demo.asm -r -e", &output) == 0, c.result);
    EXPECT_EQ(output, c.output);
    EXPECT_EQ(system.windows.drops,
              std::vector<std::string>{"C:\\cwd\\demo.prg"});
    EXPECT_EQ(system.platform.opens.size(), c.opened ? 1u : 0u);
  }
  // Without -e no VICE is looked for.
  FakeSystem system;
  std::string output;
  EXPECT_EQ(RunTool(system, "-f C:\\src\\demo.asm -r", &output), 0);
  EXPECT_EQ(output, "C:\\src\\demo.prg: opened with ShellExecute\n");
  EXPECT_EQ(system.sockets.connects, 0);
  EXPECT_TRUE(system.windows.drops.empty());
  ASSERT_EQ(system.platform.opens.size(), 1u);
  EXPECT_EQ(system.platform.opens[0].directory, "C:\\src\\");
}

TEST_F(HandOffChainTest, NoViceFoundIsSaidBeforeAShellFailure) {
  platform_.open_result.status = OpenStatus::kNoAssociation;
  std::string output;
  EXPECT_EQ(RunTool(system_, "-f demo.asm -r -e", &output), -1);
  EXPECT_EQ(output,
            "no running VICE found (monitor at 127.0.0.1:6502, C64 window)\n"
            "no application is associated with .prg files: install the "
            "association (see the README)\n");
}

TEST_F(HandOffChainTest, PathWithoutAnAnsiFormSkipsTheRunningVice) {
  platform_.absolute_path_fails = true;
  system_.sockets.listening = true;
  std::string output;
  EXPECT_EQ(RunTool(system_, "-f demo.asm -r -e", &output), 0);
  EXPECT_EQ(output,
            "warning: the full path of demo.prg holds characters outside code "
            "page 1252; it cannot be handed to a running VICE\n"
            "demo.prg: opened with ShellExecute\n");
  EXPECT_EQ(system_.sockets.connects, 0);
  EXPECT_TRUE(system_.windows.drops.empty());
}

TEST_F(HandOffChainTest, ShellFailureIsReportedWithItsCause) {
  struct Case {
    OpenStatus status;
    int code;
    const char* message;
  };
  const Case cases[] = {
      {OpenStatus::kNoAssociation, 31,
       "no application is associated with .prg files: install the "
       "association (see the README)\n"},
      {OpenStatus::kFileNotFound, 2, "cannot open d.prg: file not found\n"},
      {OpenStatus::kAccessDenied, 5, "cannot open d.prg: access denied\n"},
      {OpenStatus::kOtherError, 26, "cannot open d.prg: error 26\n"},
      {OpenStatus::kOpenerMissing, 2,
       "cannot start xdg-open to open d.prg (Debian: install xdg-utils)\n"},
      // What the status means is the platform's word.
      {OpenStatus::kOpenerFailed, 2,
       "xdg-open could not open d.prg: status 2, file not found\n"},
      // A moved emulator, not a missing program: the program was found.
      {OpenStatus::kApplicationMissing, 2,
       "the application associated with .prg files was not found: fix the "
       "association (see the README)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    platform_.open_result = {c.status,         c.code, "xdg-open",
                             "file not found", 0,      ""};
    EXPECT_EQ(RunTool(system_, "-f d.asm -r", &output_), -1);
    EXPECT_EQ(output_, c.message);
  }
}

TEST_F(HandOffChainTest, TheShellRouteSaysOpenedOnlyOnEvidence) {
  const Association x64sc{"vice.desktop", "x64sc", true};
  const OpenResult failed = {
      OpenStatus::kApplicationFailed, 4, "xdg-open", "failed", 0, ""};
  const OpenResult program_failed = {
      OpenStatus::kProgramFailed, 1, "ShellExecute", "", 0, "C:\\v\\x64sc.exe"};
  const std::string opened = "demo.prg: opened with xdg-open\n";
  OpenResult started, ended;
  started.status = OpenStatus::kStarted;
  const struct {
    OpenResult open, end;
    bool runs;
    long descendant;
    FoundWindow::Result window;
    int status;
    std::string output;
  } cases[] = {
      // The opener's status decides when it comes.
      {started, ended, false, 0, FoundWindow::kFound, 0, opened},
      {started, failed, false, 0, FoundWindow::kFound, -1,
       "xdg-open could not start the application for demo.prg (status 4); "
       "the .prg association runs x64sc (vice.desktop): run \"x64sc "
       "demo.prg\" to see its message (Debian's VICE needs the C64 ROMs, see "
       "the README)\n"},
      // While it runs: the program it started, with a window or no display.
      {started, ended, true, 321, FoundWindow::kFound, 0, opened},
      {started, ended, true, 321, FoundWindow::kNoDisplay, 0, opened},
      // Neither by the deadline: what is known, and no claim.
      {started, ended, true, 321, FoundWindow::kNotFound, 0,
       "warning: x64sc (pid 321) runs, but no window of it appeared on the X "
       "display :93 within 3 s; demo.prg may not open\n"},
      {program_failed, ended, false, 0, FoundWindow::kFound, -1,
       "ShellExecute started C:\\v\\x64sc.exe for demo.prg, and it exited "
       "at once with code 1: run it by hand to see its message\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.output);
    FakeSystem system;
    system.platform.open_result = c.open;
    system.platform.open_result.opener =
        c.open.opener[0] != '\0' ? c.open.opener : "xdg-open";
    system.platform.opener_end = c.end;
    system.platform.opener_end.opener = "xdg-open";
    system.platform.opener_runs = c.runs;
    system.platform.descendant = c.descendant;
    system.platform.association = x64sc;
    system.platform.wording.application_failure =
        c.open.status == OpenStatus::kProgramFailed
            ? "run it by hand to see its message"
            : "Debian's VICE needs the C64 ROMs, see the README";
    system.windows.process_window = c.window;
    EXPECT_EQ(RunTool(system, "-f demo.asm -r", &output_), c.status);
    EXPECT_EQ(output_, c.output);
  }
}

TEST_F(HandOffChainTest, AFailedStartNamesWhatTheAssociationRuns) {
  const Association none, gone{"brackwin-x64sc.desktop", "x64sc", false},
      there{"brackwin-x64sc.desktop", "x64sc", true},
      moved{"\"C:\\old\\x64sc.exe\" \"%1\"", "C:\\old\\x64sc.exe", false},
      empty{"brackwin-x64sc.desktop", "", false};
  const std::string failed =
      "xdg-open could not start the application for "
      "d.prg (status 4)";
  const struct {
    OpenStatus status;
    Association association;
    std::string message;
  } cases[] = {
      {OpenStatus::kApplicationFailed, none,
       failed + ", and xdg-mime names none: install the association (see "
                "the README)\n"},
      {OpenStatus::kApplicationFailed, gone,
       failed + "; the .prg association runs x64sc (brackwin-x64sc.desktop), "
                "which is not installed: install it, or fix the association "
                "(see the README)\n"},
      {OpenStatus::kApplicationFailed, empty,
       failed + "; the .prg association (brackwin-x64sc.desktop) names no "
                "program: fix the association (see the README)\n"},
      {OpenStatus::kApplicationFailed, there,
       failed + "; the .prg association runs x64sc (brackwin-x64sc.desktop): "
                "run \"x64sc d.prg\" to see its message (Debian's VICE needs "
                "the C64 ROMs, see the README)\n"},
      {OpenStatus::kApplicationMissing, moved,
       "the application associated with .prg files, C:\\old\\x64sc.exe, was "
       "not found: fix the association (see the README)\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    platform_.open_result = {c.status, 4, "xdg-open", "failed", 0, ""};
    platform_.association = c.association;
    EXPECT_EQ(RunTool(system_, "-f d.asm -r", &output_), -1);
    EXPECT_EQ(output_, c.message);
  }
  // The assembler's own defaults may write the program elsewhere.
  std::vector<std::string> none_there = {"C:\\KickAssembler/KickAss.jar"};
  platform_.existing_files = &none_there;
  platform_.text_files = {
      {"C:\\KickAssembler/KickAss.cfg", "-odirty\n-odir out\n"}};
  EXPECT_EQ(RunTool(system_, "-f d.asm -r", &output_), -1);
  EXPECT_EQ(output_,
            "program not found: d.prg (KickAss.cfg in KICKASS_PATH sets -odir, "
            "which writes the program elsewhere)\n");
  // Only the option itself counts, not a word that starts with it.
  platform_.text_files = {{"C:\\KickAssembler/KickAss.cfg", "-odirty\n"}};
  EXPECT_EQ(RunTool(system_, "-f d.asm -r", &output_), -1);
  EXPECT_EQ(output_, "program not found: d.prg\n");
}

TEST_F(HandOffChainTest, MonitorThatAutostartsTheProgramEndsTheLaunch) {
  FakeSockets& monitor = system_.sockets;
  monitor.listening = true;
  monitor.owner.pid = 1234;
  // Events first (registers, stopped), the machine check's answer, then the
  // autostart's split in two, then the event that the emulation resumed.
  const std::vector<unsigned char> answer =
      Answer(0xdd, 0, kAutostartRequestId);
  monitor.answers = {Answer(0x31, 0, 0xffffffff, 30),
                     Answer(0x62, 0, 0xffffffff, 2),
                     Answer(0x51, 0, kMachineCheckRequestId, 6),
                     {answer.begin(), answer.begin() + 5},
                     {answer.begin() + 5, answer.end()},
                     Answer(0x63, 0, 0xffffffff, 2)};
  EXPECT_EQ(RunTool(system_, "-f demo.asm -r -e", &output_), 0);
  EXPECT_EQ(output_,
            "demo.prg: autostarted in VICE (pid 1234) through its monitor\n");
  EXPECT_EQ(monitor.sent,
            (std::vector<std::vector<unsigned char>>{
                BuildResourceGetRequest("C64_256Kbase", kMachineCheckRequestId),
                AutostartRequest("C:\\cwd\\demo.prg")}));
  // Half-closed after the resumed event, which VICE would fail to send.
  EXPECT_EQ(monitor.answers_read, monitor.answers.size());
  EXPECT_TRUE(monitor.shut_down);
  EXPECT_TRUE(monitor.closed);
  // The VICE that took it comes to the front, and gets nothing else.
  EXPECT_EQ(system_.windows.raises, std::vector<long>{1234});
  EXPECT_TRUE(system_.windows.drops.empty());
  EXPECT_TRUE(platform_.opens.empty());

  // When that VICE has no window here, a VICE window here comes first: the
  // one the user looks at. Where none takes the drop, the monitor's VICE
  // serves, and the line says where it is not.
  FakeSystem elsewhere;
  elsewhere.sockets = monitor;
  elsewhere.sockets.answers_read = 0;
  elsewhere.sockets.sent.clear();
  elsewhere.windows.process_window = FoundWindow::kNotFound;
  elsewhere.windows.drop = Window(Outcome::kDelivered);
  EXPECT_EQ(RunTool(elsewhere, "-f demo.asm -r -e", &output_), 0);
  EXPECT_EQ(output_,
            "demo.prg: dropped onto the VICE window \"VICE (C64SC)\" (pid "
            "77)\n");
  EXPECT_TRUE(elsewhere.sockets.sent.empty());
  elsewhere.windows.drop = Window(Outcome::kRefused, Reason::kDropDeclined);
  EXPECT_EQ(RunTool(elsewhere, "-f demo.asm -r -e", &output_), 0);
  EXPECT_EQ(output_,
            "warning: the VICE window \"VICE (C64SC)\" declined the drop\n"
            "demo.prg: autostarted in VICE (pid 1234) through its monitor; its "
            "window is not on this display\n");
  EXPECT_TRUE(elsewhere.windows.raises.empty());
  // A display that does not answer says only that.
  elsewhere.sockets.answers_read = 0;
  elsewhere.windows.process_window = FoundWindow::kFailed;
  EXPECT_EQ(RunTool(elsewhere, "-f demo.asm -r -e", &output_), 0);
  EXPECT_EQ(output_,
            "warning: the X display :93 did not answer within 3 s; VICE was "
            "not brought to the front\n"
            "demo.prg: autostarted in VICE (pid 1234) through its monitor\n");
}

TEST_F(HandOffChainTest, QuickLoadFallsBackToTheAutostartAndNeedsTheMonitor) {
  // A VICE that refuses a step of the quick load gets the autostart.
  FakeSystem refusing;
  refusing.platform.text_files = {
      {"demo.prg", std::string("\1\10\13\10\12\0\x9e"
                               "2061\0\0\0",
                               14)}};
  refusing.sockets.listening = true;
  refusing.sockets.answers = {Answer(0x51, 0, kMachineCheckRequestId, 6),
                              Answer(0x82, 0x8f, 0x62727771),
                              Answer(0xdd, 0, kAutostartRequestId),
                              Answer(0x63, 0, 0xffffffff)};
  EXPECT_EQ(RunTool(refusing, "-f demo.asm -r -e -q", &output_), 0);
  EXPECT_EQ(output_,
            "warning: demo.prg was not loaded without a reset: VICE refused "
            "the list of its memory banks; it is autostarted\n"
            "demo.prg: autostarted in VICE through its monitor\n");
  // VICE's text monitor on the binary one's port: said, and left with "x",
  // as the bytes it read stopped VICE.
  FakeSystem text;
  text.platform.text_files = refusing.platform.text_files;
  text.sockets.listening = true;
  text.sockets.answers = {{'(', 'C', ':', '$'}, {'e', '5', 'c', 'f', ')', ' '}};
  text.windows.drop = Window(Outcome::kDelivered);
  EXPECT_EQ(RunTool(text, "-f demo.asm -r -e -q", &output_), 0);
  EXPECT_EQ(output_.substr(0, 40), "warning: VICE's text monitor listens on ");
  EXPECT_NE(output_.find("\nwarning: -q needs VICE's monitor: "),
            std::string::npos);
  EXPECT_EQ(text.sockets.sent.back(), (std::vector<unsigned char>{'x', '\n'}));
}

TEST_F(HandOffChainTest, MonitorOutcomesEndTheChainOrGoOn) {
  const auto c64 = Answer(0x51, 0, kMachineCheckRequestId, 6);
  const std::string dropped =
      "demo.prg: dropped onto the VICE window \"VICE (C64SC)\" (pid 77)\n";
  struct Case {
    const char* what;
    bool listening;
    std::vector<std::vector<unsigned char>> answers;
    std::string source;
    std::size_t requests;  // Sent to the monitor.
    std::string output;    // Then the window takes it, unless unconfirmed.
    bool unconfirmed = false;
  };
  const std::string took = "warning: VICE's monitor took demo.prg but ";
  const std::string long_source = "C:\\" + std::string(250, 'd') + "\\d.asm";
  const std::string long_program = "C:\\" + std::string(250, 'd') + "\\d.prg";
  const Case cases[] = {
      {"nothing listens", false, {}, "demo.asm", 0, dropped},
      {"silent",
       true,
       {},
       "demo.asm",
       1,
       "warning: the monitor on 127.0.0.1:6502 did not answer within 1 s\n" +
           dropped},
      {"not a C64",
       true,
       {Answer(0x00, 0x81, kMachineCheckRequestId)},
       "demo.asm",
       1,
       "warning: the VICE on 127.0.0.1:6502 is not a C64 (x64sc or x64); it "
       "was left alone\n" +
           dropped},
      {"not the monitor",
       true,
       {{'H', 'T', 'T', 'P'}},
       "demo.asm",
       1,
       "warning: what answers on 127.0.0.1:6502 is not VICE's monitor\n" +
           dropped},
      {"error answer",
       true,
       {c64, Answer(0x00, 0x8f, kAutostartRequestId)},
       "demo.asm",
       2,
       "warning: VICE's monitor refused demo.prg (error 0x8f)\n" + dropped},
      {"name too long",
       true,
       {c64},
       long_source,
       0,
       "warning: the full path of " + long_program +
           " is too long for VICE's monitor (259 bytes, at most 255)\n" +
           long_program + dropped.substr(8)},
      // Sent whole: VICE has it, whatever comes back.
      {"unconfirmed",
       true,
       {c64},
       "demo.asm",
       2,
       took + "did not confirm it within 1 s\n",
       true},
      {"closed",
       true,
       {c64, {}},
       "demo.asm",
       2,
       took + "closed the connection before confirming it\n",
       true},
      {"malformed",
       true,
       {c64, {0x02, 0x03}},
       "demo.asm",
       2,
       took + "its answer could not be read\n",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeSystem system;
    system.sockets.listening = c.listening;
    system.sockets.answers = c.answers;
    system.windows.drop = Window(Outcome::kDelivered);
    std::string output;
    EXPECT_EQ(RunTool(system, "-f \"" + c.source + "\" -r -e", &output_), 0);
    EXPECT_EQ(output_, c.output);
    EXPECT_EQ(system.sockets.sent.size(), c.requests);
    EXPECT_EQ(system.sockets.closed, c.listening);
    EXPECT_EQ(system.windows.drops.size(), c.unconfirmed ? 0u : 1u);
    // VICE may have it: to the front with it.
    EXPECT_EQ(system.windows.raises.size(), c.unconfirmed ? 1u : 0u);
    EXPECT_TRUE(system.platform.opens.empty());
  }
}

TEST_F(HandOffChainTest, DebugRunReplacesVicesBreakpointsBeforeTheAutostart) {
  FakeSystem system;
  system.sockets.listening = true;
  system.sockets.text_listening = true;
  system.platform.text_files = {
      {"demo.vs",
       "al C:080d .start\nbreak 80d \nbreak 810 if a==1\nwatch x\n"}};
  // The C64 check; the list: an old breakpoint (5) and a store
  // watchpoint (6); deleting 5; setting two, the second's condition
  // refused; the autostart.
  system.sockets.answers = {Answer(0x51, 0, kMachineCheckRequestId, 6),
                            Info(5, 4, kCheckpointsRequestId),
                            Info(6, 2, kCheckpointsRequestId),
                            Answer(0x14, 0, kCheckpointsRequestId, 4),
                            Answer(0x13, 0, kCheckpointsRequestId),
                            Info(7, 4, kCheckpointsRequestId),
                            Info(8, 4, kCheckpointsRequestId),
                            Answer(0x00, 0x8f, kCheckpointsRequestId),
                            Answer(0xdd, 0, kAutostartRequestId),
                            Answer(0x63, 0, 0xffffffff)};
  EXPECT_EQ(RunTool(system, "-f demo.asm -r -e -d", &output_), 0);
  EXPECT_EQ(output_,
            "warning: 1 line of demo.vs was skipped: neither a label (al) nor "
            "a breakpoint (break)\n"
            "warning: VICE refused the condition of the breakpoint in line 3 "
            "of demo.vs; it stops there always\n"
            "demo.prg: autostarted in VICE through its monitor, with 2 "
            "breakpoints and 1 label\n");
  // Labels first, over the text monitor, which is left at once.
  EXPECT_EQ(system.sockets.text_sent, "cl\nal C:080d .start\nx\n");
  ASSERT_EQ(system.sockets.sent.size(), 7u);
  EXPECT_EQ(system.sockets.sent[2],
            BuildRequest(0x13, kCheckpointsRequestId,
                         {5, 0, 0, 0}));  // Not the watchpoint.
  EXPECT_EQ(system.sockets.sent[3],
            BuildBreakpointRequest(0x080d, kCheckpointsRequestId));
  EXPECT_EQ(system.sockets.sent[4],
            BuildBreakpointRequest(0x0810, kCheckpointsRequestId));
  std::vector<unsigned char> condition;
  BuildConditionRequest(8, "a==1", kCheckpointsRequestId, &condition);
  EXPECT_EQ(system.sockets.sent[5], condition);
  EXPECT_EQ(system.platform.commands[0].substr(
                system.platform.commands[0].size() - 13),
            "-vicesymbols\"");

  // A list answered with an error: nothing to delete; the rest goes on.
  system.sockets = FakeSockets();
  system.sockets.listening = true;
  system.sockets.answers = {Answer(0x51, 0, kMachineCheckRequestId, 6),
                            Answer(0x00, 0x80, kCheckpointsRequestId),
                            Info(7, 4, kCheckpointsRequestId),
                            Info(8, 4, kCheckpointsRequestId),
                            Answer(0x22, 0, kCheckpointsRequestId),
                            Answer(0xdd, 0, kAutostartRequestId),
                            Answer(0x63, 0, 0xffffffff)};
  EXPECT_EQ(RunTool(system, "-f demo.asm -r -e -d", &output_), 0);
  EXPECT_NE(output_.find("with 2 breakpoints"), std::string::npos) << output_;
  EXPECT_EQ(system.sockets.sent.size(), 6u);
}

TEST_F(HandOffChainTest, DebugRunsOutsideTheMonitorAndStoppedVicesAreSaidSo) {
  const std::string no_monitor =
      "warning: breakpoints and labels need VICE's monitor: start VICE with "
      "-binarymonitor (see the README)\n";
  // Without -e; and without a .vs from this build: none, or an old one.
  const std::string none =
      "warning: this build wrote no demo.vs, so no breakpoints are set\n";
  const struct {
    const char* vs;
    bool old;
    std::string said;
  } runs[] = {{"break 80d\n", false, no_monitor},
              {"watch x\nwatch y\n", false,
               "warning: 2 lines of demo.vs were skipped: neither labels (al) "
               "nor breakpoints (break)\n" +
                   no_monitor},
              {nullptr, false, none},
              {"break 80d\n", true, none}};
  for (const auto& run : runs) {
    FakeSystem system;
    if (run.vs != nullptr) system.platform.text_files = {{"demo.vs", run.vs}};
    if (run.old) system.platform.write_times = {{"demo.vs", 0}};
    EXPECT_EQ(RunTool(system, "-f demo.asm -r -d", &output_), 0);
    EXPECT_EQ(output_, run.said + "demo.prg: opened with ShellExecute\n");
  }

  // A VICE stopped at a breakpoint: its monitor answers nothing, and its
  // monitor window is open. Nothing is dropped; the run fails.
  FakeSystem stopped;
  stopped.sockets.listening = true;
  stopped.sockets.owner.pid = 42;
  stopped.windows.monitor_window_open = true;
  stopped.windows.drop = Window(Outcome::kDelivered);
  EXPECT_EQ(RunTool(stopped, "-f demo.asm -r -e", &output_), -1);
  EXPECT_EQ(output_,
            "VICE is stopped in its monitor: leave it (x, or close the monitor "
            "window), then run again\n");
  EXPECT_EQ(stopped.windows.finds, (std::vector<long>{42, 42}));
  EXPECT_TRUE(stopped.windows.drops.empty());
  // However often the user asks: once its queue is full, the connection is
  // not even made, and the listener the system lists is still VICE's.
  stopped.sockets.listening = false;
  stopped.sockets.owner.seen = true;
  EXPECT_EQ(RunTool(stopped, "-f demo.asm -r -e", &output_), -1);
  EXPECT_EQ(output_.substr(0, 29), "VICE is stopped in its monito");
}

TEST_F(HandOffChainTest, TheMonitorsAddressComesFromTheEnvironment) {
  FakeSystem system;
  system.platform.environment.push_back(
      {"BRACKWIN_MONITOR", "ip4://127.0.0.1:6511"});
  system.windows.drop = Window(Outcome::kAbsent);
  EXPECT_EQ(RunTool(system, "-f demo.asm -r -e", &output_), 0);
  EXPECT_EQ(output_,
            "demo.prg: no running VICE found (monitor at 127.0.0.1:6511, C64 "
            "window); opened with ShellExecute\n");
  EXPECT_EQ(system.sockets.connected_to,
            (std::pair<std::uint32_t, int>{0x7F000001, 6511}));
  // Anything but loopback is refused before anything runs.
  FakeSystem remote;
  remote.platform.environment.push_back({"BRACKWIN_MONITOR", "10.1.1.1:6502"});
  EXPECT_EQ(RunTool(remote, "-f demo.asm -r -e", &output_), -1);
  EXPECT_EQ(output_,
            "BRACKWIN_MONITOR=10.1.1.1:6502 is not a loopback address in "
            "VICE's forms (127.0.0.1:6510, ip4://127.0.0.1:6510): the program "
            "would be sent to whatever listens there\n");
  EXPECT_TRUE(remote.platform.commands.empty());
  FakeSystem text;
  text.platform.environment.push_back({"BRACKWIN_TEXT_MONITOR", "6510"});
  EXPECT_EQ(RunTool(text, "-f demo.asm -r -e -d", &output_), -1);
  EXPECT_NE(output_.find("the labels would be sent"), std::string::npos);
}

TEST_F(HandOffChainTest, AnotherUsersMonitorIsNeverConnectedTo) {
  system_.sockets.listening = true;
  system_.sockets.owner.other_user = true;
  system_.sockets.owner.uid = 1001;
  system_.windows.drop = Window(Outcome::kAbsent);
  EXPECT_EQ(RunTool(system_, "-f demo.asm -r -e", &output_), 0);
  EXPECT_EQ(output_,
            "warning: the monitor on 127.0.0.1:6502 belongs to another user "
            "(uid 1001); nothing was sent to it\n"
            "demo.prg: opened with ShellExecute\n");
  EXPECT_EQ(system_.sockets.connects, 0);
}

}  // namespace
}  // namespace quennet::brackwin
