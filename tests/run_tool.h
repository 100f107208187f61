#ifndef BRACKWIN_TESTS_RUN_TOOL_H_
#define BRACKWIN_TESTS_RUN_TOOL_H_

#include <string>

#include "app/application.h"
#include "diag/debug_output.h"
#include "fake_platform.h"

namespace quennet::brackwin {

/// A console that keeps what is printed on it, every channel alike.
class RecordingOutput : public DebugOutput {
 public:
  void Print(const char* text) override { printed += text; }
  std::string printed;
};

/// Runs the whole tool against `system` with `switches` after the
/// program's name; keeps what it printed in `printed` (when not null).
inline int RunTool(FakeSystem& system, const std::string& switches,
                   std::string* printed = nullptr) {
  system.platform.command_line = "brackwin.exe " + switches;
  RecordingOutput output;
  Application application(system.platform, system.sockets, system.windows,
                          output);
  const int status = application.Execute();
  if (printed != nullptr) *printed = output.printed;
  return status;
}

}  // namespace quennet::brackwin

#endif  // BRACKWIN_TESTS_RUN_TOOL_H_
