#ifndef BRACKWIN_PLATFORM_XLIB_LIBRARY_H_
#define BRACKWIN_PLATFORM_XLIB_LIBRARY_H_

// Only the X11 desktop includes this file.
#include <X11/Xlib.h>

namespace quennet::brackwin {

// The Xlib functions that the X11 desktop calls.
// clang-format off
#define BRACKWIN_XLIB_FUNCTIONS(X)                                         \
  X(XChangeProperty) X(XCloseDisplay) X(XCreateSimpleWindow)               \
  X(XDestroyWindow) X(XFlush) X(XFree) X(XGetWindowAttributes)             \
  X(XGetWindowProperty) X(XInternAtoms) X(XMapRaised) X(XNextEvent)        \
  X(XOpenDisplay)                                                          \
  X(XPending) X(XQueryTree) X(XSelectInput) X(XSendEvent)                  \
  X(XSetErrorHandler) X(XSetIOErrorHandler) X(XSetSelectionOwner)         \
  X(XSync) X(XTranslateCoordinates)
// clang-format on

/// libX11, loaded when a window search first needs it rather than at
/// start-up: every run is spared the loading of libX11 and its own
/// libraries, and the tool still runs where they are not installed (it then
/// finds no window).
struct XlibLibrary {
#define BRACKWIN_XLIB_POINTER(name) decltype(&::name) name = nullptr;
  BRACKWIN_XLIB_FUNCTIONS(BRACKWIN_XLIB_POINTER)
#undef BRACKWIN_XLIB_POINTER
};

/// The loaded library, or null when libX11 or one of its functions is
/// missing. Loaded on the first call; never unloaded.
const XlibLibrary* LoadXlib();

}  // namespace quennet::brackwin

#endif  // BRACKWIN_PLATFORM_XLIB_LIBRARY_H_
