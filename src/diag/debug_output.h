#ifndef BRACKWIN_DIAG_DEBUG_OUTPUT_H_
#define BRACKWIN_DIAG_DEBUG_OUTPUT_H_

#include <cstdarg>
#include <cstdint>

// Lets the compiler check the format strings of the formatted channels.
#if defined(__GNUC__)
#define BRACKWIN_PRINTF_FORMAT(fmt, first) \
  __attribute__((__format__(__printf__, fmt, first)))
#else
#define BRACKWIN_PRINTF_FORMAT(fmt, first)
#endif

namespace quennet::brackwin {

/// Console diagnostics: plain text through Print, and three formatted
/// channels (Message, Warning, Error) that each count their calls.
///
/// Each channel formats into its own static 4096-byte buffer shared by all
/// objects, so the class serves a single thread. Formatted text longer than
/// 4095 bytes is cut there; nothing is ever written past the buffer.
class DebugOutput {
 public:
  DebugOutput() = default;
  virtual ~DebugOutput() = default;

  DebugOutput(const DebugOutput&) = delete;
  DebugOutput& operator=(const DebugOutput&) = delete;

  /// Writes `text` to standard output unchanged; a percent sign in it is not
  /// interpreted and no line feed is added.
  virtual void Print(const char* text);

  /// Formatted channels: format as printf does, pass the text (up to its
  /// first zero byte) to Print, then count the call.
  virtual void Message(const char* format, ...) BRACKWIN_PRINTF_FORMAT(2, 3);
  virtual void Warning(const char* format, ...) BRACKWIN_PRINTF_FORMAT(2, 3);
  virtual void Error(const char* format, ...) BRACKWIN_PRINTF_FORMAT(2, 3);

  /// The three counters in the order messageCount, warningCount, errorCount.
  virtual const std::int32_t* Counters() const;

 private:
  enum Counter { kMessageCount, kWarningCount, kErrorCount, kCounterCount };

  // The shared steps of the formatted channels: format into the channel's
  // `buffer`, print, then count.
  void Emit(char* buffer, Counter counter, const char* format,
            std::va_list args);

  // One array so that Counters() can hand out a pointer to all three.
  std::int32_t counters_[kCounterCount] = {};
};

}  // namespace quennet::brackwin

#endif  // BRACKWIN_DIAG_DEBUG_OUTPUT_H_
