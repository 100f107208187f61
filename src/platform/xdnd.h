#ifndef BRACKWIN_PLATFORM_XDND_H_
#define BRACKWIN_PLATFORM_XDND_H_

#include <string>

namespace quennet::brackwin {

// The parts of the X11 drag-and-drop protocol (XDND) that need no X server.

/// The drop data for one file: "file://", the path percent-encoded (every
/// byte but A-Z, a-z, 0-9 and - . _ ~ /), and CRLF, as text/uri-list wants.
std::string FileUriList(const std::string& absolute_path);

/// The root coordinates of XdndPosition as it carries them in one long: x in
/// the upper 16 bits, y in the lower, each as a 16-bit two's complement
/// value, so that a point left of or above the screen (a window partly off
/// it) is packed as well.
long PackXdndPoint(int x, int y);

}  // namespace quennet::brackwin

#endif  // BRACKWIN_PLATFORM_XDND_H_
