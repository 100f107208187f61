#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/code_page.h"
#include "platform/console.h"

namespace quennet::brackwin {

// Asked at each write: standard output can be redirected while running
// (the tests do), and the question costs one call.
void WriteStandardOutput(const char* text) {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (out == nullptr || out == INVALID_HANDLE_VALUE ||
      !GetConsoleMode(out, &mode)) {
    std::fputs(text, stdout);
    return;
  }
  // What the runtime still holds was written before this text.
  std::fflush(stdout);
  const std::wstring wide = WidenAnsi(text);
  DWORD written = 0;
  WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written,
                nullptr);
}

}  // namespace quennet::brackwin
