#ifndef BRACKWIN_PLATFORM_DESKTOP_H_
#define BRACKWIN_PLATFORM_DESKTOP_H_

#include <memory>
#include <string>

#include "platform/platform.h"

namespace quennet::brackwin {

/// The windows of a POSIX desktop, for the POSIX platform. The build picks
/// the implementation: X11 where libX11 is available, otherwise one that
/// finds no window.
class Desktop {
 public:
  Desktop();
  ~Desktop();

  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  /// As Platform::EnumerateWindows; finds nothing when there is no display.
  void EnumerateWindows(EnumWindowsProc proc, void* context);
  std::string GetWindowTitle(WindowHandle window);
  bool IsWindowEnabled(WindowHandle window);
  void RaiseWindow(WindowHandle window);

  /// Drops the file at `absolute_path` onto `window`, giving up after 2
  /// seconds without an answer.
  DropResult DropFile(WindowHandle window, const std::string& absolute_path);

  /// The desktop in messages: "the X display :0".
  std::string Describe() const;

  /// Whether talking to the desktop could hang: there is a display to talk
  /// to. Without one, the window search finds nothing at once.
  bool CanHang() const;

 private:
  struct Connection;
  std::unique_ptr<Connection> connection_;
};

}  // namespace quennet::brackwin

#endif  // BRACKWIN_PLATFORM_DESKTOP_H_
