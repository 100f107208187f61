// A drop target for the end-to-end tests, written with Xlib alone.
// Usage: xdnd_target TITLE mapped|unmapped answer|silent|decline|no-data
//        RECORD [FILE]
// Given FILE, as a desktop entry's %f passes it, the window also carries
// _NET_WM_PID.
// Creates a top-level window titled TITLE that announces XDND version 5,
// writes "ready" to RECORD.ready, and then, when answering: accepts the
// position, asks for the dropped data as text/uri-list, writes what it got
// to RECORD and sends XdndFinished. Before the data it asks for the list of
// TARGETS, and writes their names to RECORD.targets. A silent target never
// answers, and writes "leave" to RECORD.leave when the source gives up. One
// that declines takes the data and finishes with bit 0 clear, "not
// performed"; a no-data one accepts the position and, after the drop,
// writes "drop" to RECORD.drop and does nothing more.
// Gives up after 10 seconds.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void WriteFile(const std::string& path, const std::string& text) {
  const std::string part = path + ".part";
  std::FILE* file = std::fopen(part.c_str(), "wb");
  if (file == nullptr) return;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
  std::rename(part.c_str(), path.c_str());
}

// Sends an XDND answer from `window` to `source`: data.l[0] names the
// target, and `l1`, `l2` and `l4` carry the message's own fields.
void Answer(Display* display, Window source, Atom type, Window window, long l1,
            long l2, long l4) {
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.window = source;
  event.xclient.message_type = type;
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(window);
  event.xclient.data.l[1] = l1;
  event.xclient.data.l[2] = l2;
  event.xclient.data.l[4] = l4;
  XSendEvent(display, source, False, NoEventMask, &event);
  XFlush(display);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) {
    std::fprintf(stderr,
                 "usage: xdnd_target TITLE mapped|unmapped "
                 "answer|silent|decline|no-data RECORD\n");
    return 2;
  }
  const std::string title = argv[1];
  const bool mapped = std::strcmp(argv[2], "mapped") == 0;
  const bool answer = std::strcmp(argv[3], "silent") != 0;
  const bool decline = std::strcmp(argv[3], "decline") == 0;
  const bool no_data = std::strcmp(argv[3], "no-data") == 0;
  const std::string record = argv[4];

  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 1;
  const Atom xdnd_aware = XInternAtom(display, "XdndAware", False);
  const Atom xdnd_position = XInternAtom(display, "XdndPosition", False);
  const Atom xdnd_status = XInternAtom(display, "XdndStatus", False);
  const Atom xdnd_drop = XInternAtom(display, "XdndDrop", False);
  const Atom xdnd_finished = XInternAtom(display, "XdndFinished", False);
  const Atom xdnd_selection = XInternAtom(display, "XdndSelection", False);
  const Atom action_copy = XInternAtom(display, "XdndActionCopy", False);
  const Atom uri_list = XInternAtom(display, "text/uri-list", False);
  const Atom net_wm_name = XInternAtom(display, "_NET_WM_NAME", False);
  const Atom utf8_string = XInternAtom(display, "UTF8_STRING", False);
  const Atom received = XInternAtom(display, "BRACKWIN_RECEIVED", False);
  const Atom xdnd_leave = XInternAtom(display, "XdndLeave", False);
  const Atom targets = XInternAtom(display, "TARGETS", False);

  const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display),
                                            0, 0, 200, 100, 0, 0, 0);
  XStoreName(display, window, title.c_str());
  // Started as a desktop entry's program (with FILE), it also names its
  // process, as a toolkit's window does; the other tests' lines name none.
  if (argc == 6) {
    const long pid = static_cast<long>(getpid());
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False),
                    XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
  }
  // The host it claims to run on, where the test names one.
  if (const char* machine = std::getenv("XDND_TARGET_MACHINE")) {
    XChangeProperty(display, window, XA_WM_CLIENT_MACHINE, XA_STRING, 8,
                    PropModeReplace,
                    reinterpret_cast<const unsigned char*>(machine),
                    static_cast<int>(std::strlen(machine)));
  }
  XChangeProperty(display, window, net_wm_name, utf8_string, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(title.data()),
                  static_cast<int>(title.size()));
  const long version = 5;
  XChangeProperty(display, window, xdnd_aware, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&version), 1);
  if (mapped) {
    XSelectInput(display, window, StructureNotifyMask);
    XMapRaised(display, window);
    XEvent event;
    do {
      XNextEvent(display, &event);
    } while (event.type != MapNotify);
  }
  XSync(display, False);
  WriteFile(record + ".ready", "ready");

  Window source = 0;
  Time drop_time = CurrentTime;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    if (XPending(display) == 0) {
      struct timespec pause = {0, 10 * 1000 * 1000};
      nanosleep(&pause, nullptr);
      continue;
    }
    XEvent event;
    XNextEvent(display, &event);
    if (!answer) {
      if (event.type == ClientMessage &&
          event.xclient.message_type == xdnd_leave) {
        WriteFile(record + ".leave", "leave");
      }
      continue;
    }
    if (event.type == ClientMessage &&
        event.xclient.message_type == xdnd_position) {
      source = static_cast<Window>(event.xclient.data.l[0]);
      // Accepted (bit 0), with the copy action.
      Answer(display, source, xdnd_status, window, 1, 0,
             static_cast<long>(action_copy));
    } else if (event.type == ClientMessage &&
               event.xclient.message_type == xdnd_drop) {
      drop_time = static_cast<Time>(event.xclient.data.l[2]);
      if (no_data) {
        WriteFile(record + ".drop", "drop");
        continue;
      }
      XConvertSelection(display, xdnd_selection, targets, received, window,
                        drop_time);
      XFlush(display);
    } else if (event.type == SelectionNotify &&
               event.xselection.target == targets) {
      std::string names;
      Atom type;
      int format;
      unsigned long count = 0, remaining;
      unsigned char* bytes = nullptr;
      if (event.xselection.property != None &&
          XGetWindowProperty(display, window, received, 0, 64, True, XA_ATOM,
                             &type, &format, &count, &remaining,
                             &bytes) == Success &&
          bytes != nullptr) {
        const Atom* atoms = reinterpret_cast<const Atom*>(bytes);
        for (unsigned long i = 0; i < count; ++i) {
          char* name = XGetAtomName(display, atoms[i]);
          names += std::string(i > 0 ? " " : "") + name;
          XFree(name);
        }
      }
      if (bytes != nullptr) XFree(bytes);
      WriteFile(record + ".targets", names);
      XConvertSelection(display, xdnd_selection, uri_list, received, window,
                        drop_time);
      XFlush(display);
    } else if (event.type == SelectionNotify) {
      std::string data;
      if (event.xselection.property != None) {
        Atom type;
        int format;
        unsigned long count, remaining;
        unsigned char* bytes = nullptr;
        XGetWindowProperty(display, window, received, 0, 65536, True,
                           AnyPropertyType, &type, &format, &count, &remaining,
                           &bytes);
        if (bytes != nullptr) {
          data.assign(reinterpret_cast<char*>(bytes), count);
          XFree(bytes);
        }
      }
      WriteFile(record, data);
      // Succeeded (bit 0), with the action performed; or not.
      Answer(display, source, xdnd_finished, window, decline ? 0 : 1,
             decline ? None : static_cast<long>(action_copy), 0);
      break;
    }
  }
  XCloseDisplay(display);
  return 0;
}
