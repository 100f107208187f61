#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/application.h"
#include "emulator/binary_monitor.h"
#include "emulator/emulator_window.h"
#include "fake_platform.h"

namespace quennet::brackwin {
namespace {

constexpr char kTitle[] = "VICE: C64 emulator at 100% speed, 50 fps";

// Runs Launch against `system`; keeps what it printed in `output`.
bool RunLaunch(FakeSystem& system, const std::string& source,
               bool use_running_emulator, std::string* output = nullptr) {
  Application application(system.platform, system.sockets, system.windows);
  testing::internal::CaptureStdout();
  const bool result = application.Launch(source, use_running_emulator);
  const std::string printed = testing::internal::GetCapturedStdout();
  if (output != nullptr) *output = printed;
  return result;
}

// Runs the whole tool against `system`; keeps what it printed in `output`.
int RunExecute(FakeSystem& system, std::string* output) {
  Application application(system.platform, system.sockets, system.windows);
  testing::internal::CaptureStdout();
  const int status = application.Execute();
  *output = testing::internal::GetCapturedStdout();
  return status;
}

HandOff Window(Outcome outcome, Reason reason = Reason::kNone) {
  HandOff result;
  result.route = Route::kWindow;
  result.outcome = outcome;
  result.reason = reason;
  result.title = "VICE (C64SC)";
  result.pid = 77;
  return result;
}

class LaunchTest : public testing::Test {
 protected:
  // Runs Launch; keeps what it printed in `output_`.
  bool Launch(const std::string& source, bool use_running_emulator) {
    return RunLaunch(system_, source, use_running_emulator, &output_);
  }

  FakeSystem system_;
  std::string output_;
  FakePlatform& platform_ = system_.platform;
};

TEST_F(LaunchTest, EveryVicesC64WindowMatchesAndNoNeighbour) {
  struct Case {
    const char* title;
    bool match;
  };
  const Case cases[] = {
      // Up to 3.1, and the native Windows UI.
      {"VICE: C64 emulator", true},
      {"VICE: C64 (x64sc) emulator", true},
      {kTitle, true},
      // 3.2.
      {"VICE: C64 at 100% speed, 50 fps", true},
      // GTK3, 3.3 to 3.10, with and without mouse grab.
      {"VICE (C64SC)", true},
      {"VICE (C64)", true},
      {"VICE (C64SC) (Use Alt+M to disable mouse grab)", true},
      // SDL.
      {"VICE: C64 (x64sc), press \"F12\" for the menu.", true},
      {"VICE: C64, press \"F10\" for the menu.", true},
      {"VICE: C64", true},
      // Other machines, other windows, other cases.
      {"VICE (C64DTV)", false},
      {"VICE (C128)", false},
      {"VICE (SCPU64)", false},
      {"VICE: C64DTV at 100% speed", false},
      {"VICE: C128 emulator", false},
      {"VICE: SCPU64 (xscpu64), press \"F12\" for the menu.", false},
      {"VSID: The VICE SID player", false},
      {"VICE monitor", false},
      {"C64 Settings", false},
      {"vice: c64 emulator", false},
      {"vice (c64sc)", false},
      // Titles count only at their start, the old ones too.
      {"Re: VICE: C64 emulator won't start - Mozilla Firefox", false},
      {"x64sc - VICE: C64 emulator at 100% speed", false},
      {"Firefox - VICE (C64SC) manual", false},
      {"~/src - VICE: C64, press F12", false},
      {"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    EXPECT_EQ(IsEmulatorTitle(c.title), c.match);
  }
}

TEST_F(LaunchTest, WindowOutcomesEndTheChainOrGoOn) {
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
    EXPECT_EQ(RunLaunch(system, "demo.asm", true, &output), c.result);
    EXPECT_EQ(output, c.output);
    EXPECT_EQ(system.windows.drops,
              std::vector<std::string>{"C:\\cwd\\demo.prg"});
    EXPECT_EQ(system.platform.opens.size(), c.opened ? 1u : 0u);
  }
  // Without -e no VICE is looked for.
  FakeSystem system;
  std::string output;
  EXPECT_TRUE(RunLaunch(system, "C:\\src\\demo.asm", false, &output));
  EXPECT_EQ(output, "C:\\src\\demo.prg: opened with ShellExecute\n");
  EXPECT_EQ(system.sockets.connects, 0);
  EXPECT_TRUE(system.windows.drops.empty());
  ASSERT_EQ(system.platform.opens.size(), 1u);
  EXPECT_EQ(system.platform.opens[0].directory, "C:\\src\\");
}

TEST_F(LaunchTest, NoViceFoundIsSaidBeforeAShellFailure) {
  platform_.open_result.status = OpenStatus::kNoAssociation;
  std::string output;
  EXPECT_FALSE(RunLaunch(system_, "demo.asm", true, &output));
  EXPECT_EQ(output,
            "no running VICE found (monitor at 127.0.0.1:6502, C64 window)\n"
            "no application is associated with .prg files: open one with "
            "\"Open with\", choose x64sc and \"Always\" (see the README)\n");
}

TEST_F(LaunchTest, PathWithoutAnAnsiFormSkipsTheRunningVice) {
  platform_.absolute_path_fails = true;
  system_.sockets.listening = true;
  std::string output;
  EXPECT_TRUE(RunLaunch(system_, "demo.asm", true, &output));
  EXPECT_EQ(output,
            "warning: the full path of demo.prg holds characters outside code "
            "page 1252; it cannot be handed to a running VICE\n"
            "demo.prg: opened with ShellExecute\n");
  EXPECT_EQ(system_.sockets.connects, 0);
  EXPECT_TRUE(system_.windows.drops.empty());
}

TEST_F(LaunchTest, OnlyAProgramWrittenDuringTheRunIsLaunched) {
  // The run starts at `start` and the assembler takes 10 s; an unchanged
  // program counts as this run's within 2 s (FAT's step) of the run.
  const std::int64_t start = FakePlatform().now, end = start + 10000;
  const std::string stale =
      "demo.prg was not written by this build (does the source write another "
      "file?)\n";
  struct Case {
    const char* what;
    std::int64_t before, after;  // The program's time around the assembler.
    bool launched;
  };
  const Case cases[] = {
      // On a file server whose clock lags an hour: changed, so written.
      {"changed", start - 3600000, start - 3599000, true},
      {"unchanged, 1.5 s before the start", start - 1500, start - 1500, true},
      {"unchanged, 2.5 s before the start", start - 2500, start - 2500, false},
      {"unchanged, 1.5 s after the end", end + 1500, end + 1500, true},
      // A file server's clock ahead.
      {"unchanged, 2.5 s after the end", end + 2500, end + 2500, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeSystem system;
    system.platform.write_times = {{"demo.prg", c.before}};
    system.platform.write_times_after_command = {{"demo.prg", c.after}};
    system.platform.command_ms = 10000;
    system.platform.command_line = "brackwin -f demo.asm -r";
    EXPECT_EQ(RunExecute(system, &output_), c.launched ? 0 : -1);
    EXPECT_EQ(output_,
              c.launched ? "demo.prg: opened with ShellExecute\n" : stale);
  }
}

TEST_F(LaunchTest, MissingProgramIsReportedAndNothingIsLaunched) {
  std::vector<std::string> none;
  platform_.existing_files = &none;
  system_.sockets.listening = true;
  EXPECT_FALSE(Launch("C:\\src\\%s.asm", true));
  // The path is the argument, never the format.
  EXPECT_EQ(output_, "program not found: C:\\src\\%s.prg\n");
  EXPECT_EQ(system_.sockets.connects, 0);
  EXPECT_TRUE(system_.windows.drops.empty());
  EXPECT_TRUE(platform_.opens.empty());
}

TEST_F(LaunchTest, ShellFailureIsReportedWithItsCause) {
  struct Case {
    OpenStatus status;
    int code;
    const char* message;
  };
  const Case cases[] = {
      {OpenStatus::kNoAssociation, 31,
       "no application is associated with .prg files: open one with \"Open "
       "with\", choose x64sc and \"Always\" (see the README)\n"},
      {OpenStatus::kFileNotFound, 2, "cannot open d.prg: file not found\n"},
      {OpenStatus::kAccessDenied, 5, "cannot open d.prg: access denied\n"},
      {OpenStatus::kOtherError, 26, "cannot open d.prg: error 26\n"},
      {OpenStatus::kOpenerMissing, 2,
       "cannot start xdg-open to open d.prg (Debian: install xdg-utils)\n"},
      {OpenStatus::kOpenerFailed, 2,
       "xdg-open could not open d.prg: status 2, file not found\n"},
      {OpenStatus::kOpenerFailed, -1,
       "xdg-open could not open d.prg: status -1, ended by a signal\n"},
      // A moved emulator, not a missing program: the program was found.
      {OpenStatus::kApplicationMissing, 2,
       "the application associated with .prg files was not found: fix the "
       "association (see the README)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    platform_.open_result = {c.status, c.code, "xdg-open"};
    EXPECT_FALSE(Launch("d.asm", false));
    EXPECT_EQ(output_, c.message);
  }
}

TEST_F(LaunchTest, AFailedStartNamesWhatTheAssociationRuns) {
  const Association none, gone{"brackwin-x64sc.desktop", "x64sc", false},
      there{"brackwin-x64sc.desktop", "x64sc", true},
      moved{"\"C:\\old\\x64sc.exe\" \"%1\"", "C:\\old\\x64sc.exe", false};
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
    platform_.open_result = {c.status, 4, "xdg-open"};
    platform_.association = c.association;
    EXPECT_FALSE(Launch("d.asm", false));
    EXPECT_EQ(output_, c.message);
  }
  // The assembler's own defaults may write the program elsewhere.
  std::vector<std::string> none_there;
  platform_.existing_files = &none_there;
  platform_.text_files = {
      {"C:\\KickAssembler/KickAss.cfg", "-showmem\n-odir out\n"}};
  EXPECT_FALSE(Launch("d.asm", false));
  EXPECT_EQ(output_,
            "program not found: d.prg (KickAss.cfg in KICKASS_PATH sets -odir, "
            "which writes the program elsewhere)\n");
}

// A monitor answer: `type`, `error` and `request_id`, with a body of `body`
// bytes.
std::vector<unsigned char> Answer(unsigned char type, unsigned char error,
                                  std::uint32_t request_id, int body = 0) {
  std::vector<unsigned char> bytes = {
      2, 2, static_cast<unsigned char>(body), 0, 0, 0, type, error};
  for (int i = 0; i < 4; ++i) bytes.push_back(request_id >> (8 * i) & 0xff);
  bytes.resize(bytes.size() + body, 0xaa);
  return bytes;
}

constexpr std::uint32_t kCheckId = 0x6272776d, kAutostartId = 0x6272776e;

std::vector<unsigned char> AutostartRequest(const std::string& file) {
  std::vector<unsigned char> request;
  EXPECT_TRUE(BuildAutostartRequest(file, kAutostartId, &request));
  return request;
}

TEST_F(LaunchTest, MonitorThatAutostartsTheProgramEndsTheLaunch) {
  FakeSockets& monitor = system_.sockets;
  monitor.listening = true;
  monitor.owner.pid = 1234;
  // Events first (registers, stopped), the machine check's answer, then the
  // autostart's split in two, then the event that the emulation resumed.
  const std::vector<unsigned char> answer = Answer(0xdd, 0, kAutostartId);
  monitor.answers = {
      Answer(0x31, 0, 0xffffffff, 30),    Answer(0x62, 0, 0xffffffff, 2),
      Answer(0x51, 0, kCheckId, 6),       {answer.begin(), answer.begin() + 5},
      {answer.begin() + 5, answer.end()}, Answer(0x63, 0, 0xffffffff, 2)};
  EXPECT_TRUE(Launch("demo.asm", true));
  EXPECT_EQ(output_,
            "demo.prg: autostarted in VICE (pid 1234) through its monitor\n");
  EXPECT_EQ(monitor.sent, (std::vector<std::vector<unsigned char>>{
                              BuildResourceGetRequest("C64_256Kbase", kCheckId),
                              AutostartRequest("C:\\cwd\\demo.prg")}));
  // Half-closed after the resumed event, which VICE would fail to send.
  EXPECT_EQ(monitor.answers_read, monitor.answers.size());
  EXPECT_TRUE(monitor.shut_down);
  EXPECT_TRUE(monitor.closed);
  // The VICE that took it comes to the front, and gets nothing else.
  EXPECT_EQ(system_.windows.raises, std::vector<long>{1234});
  EXPECT_TRUE(system_.windows.drops.empty());
  EXPECT_TRUE(platform_.opens.empty());

  // When that VICE has no window here, no other is raised, and the line
  // says so.
  FakeSystem elsewhere;
  elsewhere.sockets = monitor;
  elsewhere.sockets.answers_read = 0;
  elsewhere.windows.raise = Raising::kNoWindow;
  EXPECT_TRUE(RunLaunch(elsewhere, "demo.asm", true, &output_));
  EXPECT_EQ(output_,
            "demo.prg: autostarted in VICE (pid 1234) through its monitor; its "
            "window is not on this display\n");
  elsewhere.sockets.answers_read = 0;
  elsewhere.windows.raise = Raising::kFailed;
  EXPECT_TRUE(RunLaunch(elsewhere, "demo.asm", true, &output_));
  EXPECT_EQ(
      output_.substr(0, output_.find('\n')),
      "warning: the X display :93 did not answer within 3 s; VICE was not "
      "brought to the front");
}

TEST_F(LaunchTest, MonitorOutcomesEndTheChainOrGoOn) {
  const auto c64 = Answer(0x51, 0, kCheckId, 6);
  const std::string dropped =
      "demo.prg: dropped onto the VICE window \"VICE (C64SC)\" (pid 77)\n";
  struct Case {
    const char* what;
    bool listening;
    std::vector<std::vector<unsigned char>> answers;
    std::string source;
    std::size_t requests;  // Sent to the monitor.
    std::string output;    // Then the window takes it, unless unconfirmed.
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
       {Answer(0x00, 0x81, kCheckId)},
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
       {c64, Answer(0x00, 0x8f, kAutostartId)},
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
       took + "did not confirm it within 1 s\n"},
      {"closed",
       true,
       {c64, {}},
       "demo.asm",
       2,
       took + "closed the connection before confirming it\n"},
      {"malformed",
       true,
       {c64, {0x02, 0x03}},
       "demo.asm",
       2,
       took + "its answer could not be read\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeSystem system;
    system.sockets.listening = c.listening;
    system.sockets.answers = c.answers;
    system.windows.drop = Window(Outcome::kDelivered);
    std::string output;
    EXPECT_TRUE(RunLaunch(system, c.source, true, &output_));
    const bool unconfirmed = c.output.find("took") != std::string::npos;
    EXPECT_EQ(output_, c.output);
    EXPECT_EQ(system.sockets.sent.size(), c.requests);
    EXPECT_EQ(system.sockets.closed, c.listening);
    EXPECT_EQ(system.windows.drops.size(), unconfirmed ? 0u : 1u);
    EXPECT_TRUE(system.platform.opens.empty());
  }
}

// A checkpoint-info answer for checkpoint `number` of `operation`.
std::vector<unsigned char> Info(std::uint32_t number, unsigned char operation,
                                std::uint32_t request_id) {
  std::vector<unsigned char> info = Answer(0x11, 0, request_id, 22);
  for (int i = 0; i < 4; ++i) info[12 + i] = number >> (8 * i) & 0xff;
  info[12 + 11] = operation;
  return info;
}

TEST_F(LaunchTest, DebugRunReplacesVicesBreakpointsBeforeTheAutostart) {
  constexpr std::uint32_t kListId = 0x62727763;
  FakeSystem system;
  system.sockets.listening = true;
  system.platform.command_line = "brackwin -f demo.asm -r -e -d";
  system.platform.text_files = {
      {"demo.vs",
       "al C:080d .start\nbreak 80d \nbreak 810 if a==1\nwatch x\n"}};
  // The C64 check; the list: an old breakpoint (5) and a store
  // watchpoint (6); deleting 5; setting two, the second's condition
  // refused; the autostart.
  system.sockets.answers = {
      Answer(0x51, 0, kCheckId, 6),  Info(5, 4, kListId),
      Info(6, 2, kListId),           Answer(0x14, 0, kListId, 4),
      Answer(0x13, 0, kListId),      Info(7, 4, kListId),
      Info(8, 4, kListId),           Answer(0x00, 0x8f, kListId),
      Answer(0xdd, 0, kAutostartId), Answer(0x63, 0, 0xffffffff)};
  EXPECT_EQ(RunExecute(system, &output_), 0);
  EXPECT_EQ(output_,
            "warning: 1 line of demo.vs was skipped: neither a label (al) nor "
            "a breakpoint (break)\n"
            "warning: VICE refused the condition of the breakpoint in line 3 "
            "of demo.vs; it stops there always\n"
            "demo.prg: autostarted in VICE through its monitor, with 2 "
            "breakpoints\n");
  ASSERT_EQ(system.sockets.sent.size(), 7u);
  EXPECT_EQ(system.sockets.sent[2],
            BuildRequest(0x13, kListId, {5, 0, 0, 0}));  // Not the watchpoint.
  EXPECT_EQ(system.sockets.sent[3], BuildBreakpointRequest(0x080d, kListId));
  EXPECT_EQ(system.sockets.sent[4], BuildBreakpointRequest(0x0810, kListId));
  std::vector<unsigned char> condition;
  BuildConditionRequest(8, "a==1", kListId, &condition);
  EXPECT_EQ(system.sockets.sent[5], condition);
  EXPECT_EQ(system.platform.commands[0].substr(
                system.platform.commands[0].size() - 13),
            "-vicesymbols\"");

  // A list answered with an error: nothing to delete; the rest goes on.
  system.sockets = FakeSockets();
  system.sockets.listening = true;
  system.sockets.answers = {
      Answer(0x51, 0, kCheckId, 6), Answer(0x00, 0x80, kListId),
      Info(7, 4, kListId),          Info(8, 4, kListId),
      Answer(0x22, 0, kListId),     Answer(0xdd, 0, kAutostartId),
      Answer(0x63, 0, 0xffffffff)};
  EXPECT_EQ(RunExecute(system, &output_), 0);
  EXPECT_NE(output_.find("with 2 breakpoints"), std::string::npos) << output_;
  EXPECT_EQ(system.sockets.sent.size(), 6u);
}

TEST_F(LaunchTest, DebugRunsOutsideTheMonitorAndStoppedVicesAreSaidSo) {
  const std::string no_monitor =
      "warning: breakpoints need VICE's monitor: start VICE with "
      "-binarymonitor (see the README)\n";
  // Without -e; and without a .vs from this build.
  const struct {
    const char* vs;
    std::string said;
  } runs[] = {{"break 80d\n", no_monitor},
              {nullptr,
               "warning: this build wrote no demo.vs, so no breakpoints are "
               "set\n"}};
  for (const auto& run : runs) {
    FakeSystem system;
    system.platform.command_line = "brackwin -f demo.asm -r -d";
    if (run.vs != nullptr) system.platform.text_files = {{"demo.vs", run.vs}};
    EXPECT_EQ(RunExecute(system, &output_), 0);
    EXPECT_EQ(output_, run.said + "demo.prg: opened with ShellExecute\n");
  }

  // A VICE stopped at a breakpoint: its monitor answers nothing, and its
  // monitor window is open. Nothing is dropped; the run fails.
  FakeSystem stopped;
  stopped.sockets.listening = true;
  stopped.sockets.owner.pid = 42;
  stopped.windows.monitor_window_open = true;
  stopped.windows.drop = Window(Outcome::kDelivered);
  EXPECT_FALSE(RunLaunch(stopped, "demo.asm", true, &output_));
  EXPECT_EQ(output_,
            "VICE is stopped in its monitor: leave it (x, or close the monitor "
            "window), then run again\n");
  EXPECT_EQ(stopped.windows.finds, std::vector<long>{42});
  EXPECT_TRUE(stopped.windows.drops.empty());
}

TEST_F(LaunchTest, TheMonitorsAddressComesFromTheEnvironment) {
  FakeSystem system;
  system.platform.environment.push_back(
      {"BRACKWIN_MONITOR", "ip4://127.0.0.1:6510"});
  system.platform.command_line = "brackwin -f demo.asm -r -e";
  system.windows.drop = Window(Outcome::kAbsent);
  EXPECT_EQ(RunExecute(system, &output_), 0);
  EXPECT_EQ(output_,
            "demo.prg: no running VICE found (monitor at 127.0.0.1:6510, C64 "
            "window); opened with ShellExecute\n");
  EXPECT_EQ(system.sockets.connected_to,
            (std::pair<std::uint32_t, int>{0x7F000001, 6510}));
  // Anything but loopback is refused before anything runs.
  FakeSystem remote;
  remote.platform.environment.push_back({"BRACKWIN_MONITOR", "10.1.1.1:6502"});
  remote.platform.command_line = "brackwin -f demo.asm -r -e";
  EXPECT_EQ(RunExecute(remote, &output_), -1);
  EXPECT_EQ(output_,
            "BRACKWIN_MONITOR=10.1.1.1:6502 is not a loopback address in "
            "VICE's forms (127.0.0.1:6510, ip4://127.0.0.1:6510): the program "
            "would be sent to whatever listens there\n");
  EXPECT_TRUE(remote.platform.commands.empty());
}

TEST_F(LaunchTest, CheckSaysWhatIsThereAndChangesNothing) {
  FakeSystem system;
  system.platform.command_line = "brackwin --check";
  system.platform.syntax = CommandSyntax::kPosix;
  system.platform.environment.push_back({"DISPLAY", ":0"});
  system.sockets.listening = true;
  system.sockets.owner.pid = 99;
  system.sockets.answers = {Answer(0x51, 0, kCheckId, 6),
                            Answer(0xaa, 0, kCheckId)};
  EXPECT_EQ(RunExecute(system, &output_), 0);
  EXPECT_EQ(output_,
            "java: found, C:\\Program Files\\Java\\bin\\java.exe\n"
            "KickAss.jar: found in KICKASS_PATH (C:\\KickAssembler)\n"
            ".prg association: missing: associate .prg files with x64sc (see "
            "the README)\n"
            "VICE's monitor at 127.0.0.1:6502: found, a C64 (pid 99)\n"
            "VICE window on the X display :93: none open\n"
            "display: found, DISPLAY=:0\n"
            "ready: brackwin -f SOURCE -r -e can run\n");
  // It left the monitor, so that VICE runs on; nothing ran.
  ASSERT_EQ(system.sockets.sent.size(), 2u);
  EXPECT_EQ(system.sockets.sent[1], BuildRequest(0xaa, kCheckId, {}));
  EXPECT_TRUE(system.platform.commands.empty());
  EXPECT_TRUE(system.platform.opens.empty());

  // No route into VICE: not ready.
  FakeSystem none;
  none.platform.command_line = "brackwin --check";
  EXPECT_EQ(RunExecute(none, &output_), -1);
  EXPECT_NE(output_.find("VICE's monitor at 127.0.0.1:6502: missing: start "
                         "VICE with -binarymonitor"),
            std::string::npos);
  EXPECT_EQ(output_.substr(output_.size() - 31),
            "not ready: see the lines above\n");
}

TEST_F(LaunchTest, AnotherUsersMonitorIsNeverConnectedTo) {
  system_.sockets.listening = true;
  system_.sockets.owner.other_user = true;
  system_.sockets.owner.uid = 1001;
  system_.windows.drop = Window(Outcome::kAbsent);
  EXPECT_TRUE(Launch("demo.asm", true));
  EXPECT_EQ(output_,
            "warning: the monitor on 127.0.0.1:6502 belongs to another user "
            "(uid 1001); nothing was sent to it\n"
            "demo.prg: opened with ShellExecute\n");
  EXPECT_EQ(system_.sockets.connects, 0);
}

TEST_F(LaunchTest, DoubleByteDirectoryKeepsItsTrailByte) {
  platform_.lead_bytes.AddRange(0x81, 0x9F);
  EXPECT_TRUE(Launch("C:\\\x95\x5C\\demo.asm", false));
  ASSERT_EQ(platform_.opens.size(), 1u);
  EXPECT_EQ(platform_.opens[0].file, "C:\\\x95\x5C\\demo.prg");
  EXPECT_EQ(platform_.opens[0].directory, "C:\\\x95\x5C\\");
}

TEST_F(LaunchTest, TooLongSourceLaunchesNothing) {
  EXPECT_FALSE(Launch(std::string(300, 'a') + ".asm", true));
  EXPECT_EQ(output_,
            "path too long: the file name is 300 bytes, at most 255 can be "
            "launched\n");
  EXPECT_TRUE(system_.windows.drops.empty());
  EXPECT_TRUE(platform_.opens.empty());
}

}  // namespace
}  // namespace quennet::brackwin
