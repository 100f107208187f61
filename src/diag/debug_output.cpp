#include "diag/debug_output.h"

#include <cstdio>
#include <string>

#include "platform/console.h"

namespace quennet::brackwin {
namespace {

constexpr std::size_t kChannelBufferSize = 4096;

char message_buffer[kChannelBufferSize];
char warning_buffer[kChannelBufferSize];
char error_buffer[kChannelBufferSize];

}  // namespace

void DebugOutput::Print(const char* text) { WriteStandardOutput(text); }

void DebugOutput::Emit(char* buffer, Counter counter, const char* format,
                       std::va_list args) {
  // vsnprintf cuts at the buffer's size; its count is not needed, because the
  // text ends at the first zero byte (a %c of 0 ends it early).
  if (std::vsnprintf(buffer, kChannelBufferSize, format, args) < 0) {
    buffer[0] = '\0';
  }
  const std::string text(buffer);
  Print(text.c_str());
  ++counters_[counter];
}

void DebugOutput::Message(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  Emit(message_buffer, kMessageCount, format, args);
  va_end(args);
}

void DebugOutput::Warning(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  Emit(warning_buffer, kWarningCount, format, args);
  va_end(args);
}

void DebugOutput::Error(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  Emit(error_buffer, kErrorCount, format, args);
  va_end(args);
}

const std::int32_t* DebugOutput::Counters() const { return counters_; }

}  // namespace quennet::brackwin
