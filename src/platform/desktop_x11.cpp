// Emulator windows under X11: the window search walks the top-level windows
// of the default screen, and a drop goes through the XDND protocol, which
// is what GTK, Qt and SDL applications accept as a dropped file.

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <sys/select.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/desktop.h"
#include "platform/xdnd.h"
#include "platform/xlib_library.h"

namespace quennet::brackwin {
namespace {

using Clock = std::chrono::steady_clock;

// How long a whole drop may take: a hung or silent window must never hang
// the tool.
constexpr std::chrono::milliseconds kDropBudget(2000);
// How long a timestamp for raising a window may take to come.
constexpr std::chrono::milliseconds kRaiseBudget(200);
constexpr long kXdndVersion = 5;
constexpr long kMinXdndVersion = 3;
constexpr std::size_t kMaxTitleLength = 511;

// Windows can vanish between two requests; the errors that follow are
// expected and must not end the process, as Xlib's default handler would.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// A lost connection to the server would end the process through Xlib's
// default handler, with exit(1) and the parent's exit handlers. The window
// work runs in a child process of its own (RunDesktopTask), which ends here
// instead; its parent sees an unfinished task.
int ExitOnLostConnection(Display*) { _exit(2); }

}  // namespace

struct Desktop::Connection {
  const XlibLibrary* x = nullptr;
  Display* display = nullptr;
  Window root = 0;
  XErrorHandler previous_handler = nullptr;

  Atom wm_state, net_wm_name, utf8_string, xdnd_aware, xdnd_proxy,
      xdnd_selection, xdnd_enter, xdnd_position, xdnd_status, xdnd_drop,
      xdnd_leave, xdnd_finished, xdnd_action_copy, uri_list, text_plain,
      targets, timestamp_property, net_supported, net_active_window;
  Time last_time = CurrentTime;  // The server's, from ServerTime.

  bool Open() {
    x = LoadXlib();
    if (x == nullptr) return false;
    display = x->XOpenDisplay(nullptr);  // Null without a usable DISPLAY.
    if (display == nullptr) return false;
    previous_handler = x->XSetErrorHandler(IgnoreXError);
    x->XSetIOErrorHandler(ExitOnLostConnection);
    root = DefaultRootWindow(display);
    const char* names[] = {
        "WM_STATE",          "_NET_WM_NAME",        "UTF8_STRING",
        "XdndAware",         "XdndProxy",           "XdndSelection",
        "XdndEnter",         "XdndPosition",        "XdndStatus",
        "XdndDrop",          "XdndLeave",           "XdndFinished",
        "XdndActionCopy",    "text/uri-list",       "text/plain",
        "TARGETS",           "_BRACKWIN_TIMESTAMP", "_NET_SUPPORTED",
        "_NET_ACTIVE_WINDOW"};
    Atom* atoms[] = {
        &wm_state,           &net_wm_name,    &utf8_string,      &xdnd_aware,
        &xdnd_proxy,         &xdnd_selection, &xdnd_enter,       &xdnd_position,
        &xdnd_status,        &xdnd_drop,      &xdnd_leave,       &xdnd_finished,
        &xdnd_action_copy,   &uri_list,       &text_plain,       &targets,
        &timestamp_property, &net_supported,  &net_active_window};
    constexpr int kCount = sizeof(names) / sizeof(names[0]);
    Atom values[kCount];
    x->XInternAtoms(display, const_cast<char**>(names), kCount, False, values);
    for (int i = 0; i < kCount; ++i) *atoms[i] = values[i];
    return true;
  }

  ~Connection() {
    if (display == nullptr) return;
    x->XCloseDisplay(display);
    x->XSetErrorHandler(previous_handler);
  }

  // The bytes of a property, at most `max_bytes` of them; empty when absent.
  std::vector<unsigned char> GetProperty(Window window, Atom property,
                                         Atom type, std::size_t max_bytes,
                                         int* format = nullptr) {
    Atom actual_type = None;
    int actual_format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned char> bytes;
    if (x->XGetWindowProperty(display, window, property, 0,
                              static_cast<long>((max_bytes + 3) / 4), False,
                              type, &actual_type, &actual_format, &count,
                              &remaining, &data) == Success &&
        data != nullptr && actual_type != None) {
      // Xlib hands out 32-bit items as longs.
      const std::size_t item_size =
          actual_format == 32 ? sizeof(long) : actual_format / 8;
      bytes.assign(data, data + count * item_size);
      if (format != nullptr) *format = actual_format;
    }
    if (data != nullptr) x->XFree(data);
    return bytes;
  }

  // The first 32-bit item of a property, or 0.
  long GetLong(Window window, Atom property, Atom type) {
    int format = 0;
    const std::vector<unsigned char> bytes =
        GetProperty(window, property, type, 4, &format);
    if (format != 32 || bytes.size() < sizeof(long)) return 0;
    long value;
    std::memcpy(&value, bytes.data(), sizeof(long));
    return value;
  }

  bool HasProperty(Window window, Atom property) {
    Atom actual_type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    x->XGetWindowProperty(display, window, property, 0, 0, False,
                          AnyPropertyType, &actual_type, &format, &count,
                          &remaining, &data);
    if (data != nullptr) x->XFree(data);
    return actual_type != None;
  }

  // The application window inside `frame`: under a reparenting window
  // manager the title sits on the client (the window with WM_STATE), not on
  // the frame. Without a window manager the top-level window is the client.
  Window FindClient(Window frame, int depth = 0) {
    if (HasProperty(frame, wm_state)) return frame;
    if (depth > 4) return 0;
    Window root_return, parent;
    Window* children = nullptr;
    unsigned int count = 0;
    Window client = 0;
    if (x->XQueryTree(display, frame, &root_return, &parent, &children,
                      &count)) {
      for (unsigned int i = count; i-- > 0 && client == 0;) {
        client = FindClient(children[i], depth + 1);
      }
    }
    if (children != nullptr) x->XFree(children);
    return depth == 0 && client == 0 ? frame : client;
  }

  void SendClientMessage(Window to, Window window, Atom type, long l0, long l1,
                         long l2, long l3, long l4) {
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.display = display;
    event.xclient.window = window;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    const long data[] = {l0, l1, l2, l3, l4};
    for (int i = 0; i < 5; ++i) event.xclient.data.l[i] = data[i];
    x->XSendEvent(display, to, False, NoEventMask, &event);
    x->XFlush(display);
  }

  // A real server timestamp, which requests that the window manager or
  // another client judges by need: the time of a property change on our
  // own window `own`. CurrentTime when none comes before `deadline`.
  Time ServerTime(Window own, Clock::time_point deadline) {
    x->XSelectInput(display, own, PropertyChangeMask);
    x->XChangeProperty(display, own, timestamp_property, XA_STRING, 8,
                       PropModeReplace, nullptr, 0);
    XEvent event;
    while (NextEvent(deadline, &event)) {
      if (event.type == PropertyNotify && event.xproperty.window == own) {
        last_time = event.xproperty.time;
        break;
      }
    }
    return last_time;
  }

  // Whether the window manager supports the EWMH request `atom`.
  bool WindowManagerSupports(Atom atom) {
    const std::vector<unsigned char> bytes =
        GetProperty(root, net_supported, XA_ATOM, 4096);
    for (std::size_t at = 0; at + sizeof(long) <= bytes.size();
         at += sizeof(long)) {
      long item;
      std::memcpy(&item, &bytes[at], sizeof(long));
      if (static_cast<Atom>(item) == atom) return true;
    }
    return false;
  }

  // Waits until Clock::now() reaches `deadline` for the next event; false
  // on time-out.
  bool NextEvent(Clock::time_point deadline, XEvent* event) {
    while (x->XPending(display) == 0) {
      const auto left = std::chrono::duration_cast<std::chrono::microseconds>(
          deadline - Clock::now());
      if (left.count() <= 0) return false;
      const int fd = ConnectionNumber(display);
      fd_set fds;
      FD_ZERO(&fds);
      FD_SET(fd, &fds);
      timeval timeout = {static_cast<time_t>(left.count() / 1000000),
                         static_cast<suseconds_t>(left.count() % 1000000)};
      select(fd + 1, &fds, nullptr, nullptr, &timeout);
    }
    x->XNextEvent(display, event);
    return true;
  }
};

Desktop::Desktop() = default;
Desktop::~Desktop() = default;

void Desktop::EnumerateWindows(EnumWindowsProc proc, void* context) {
  if (connection_ == nullptr) {
    auto connection = std::make_unique<Connection>();
    if (!connection->Open()) return;
    connection_ = std::move(connection);
  }
  Connection& c = *connection_;
  Window root_return, parent;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!c.x->XQueryTree(c.display, c.root, &root_return, &parent, &children,
                       &count)) {
    return;
  }
  // XQueryTree lists bottom to top; the one in front must be met first.
  const std::vector<Window> top_level(children, children + count);
  if (children != nullptr) c.x->XFree(children);
  for (auto it = top_level.rbegin(); it != top_level.rend(); ++it) {
    if (!proc(c.FindClient(*it), context)) return;
  }
}

std::string Desktop::GetWindowTitle(WindowHandle window) {
  if (connection_ == nullptr) return "";
  Connection& c = *connection_;
  std::vector<unsigned char> title =
      c.GetProperty(window, c.net_wm_name, c.utf8_string, kMaxTitleLength);
  if (title.empty()) {
    title = c.GetProperty(window, XA_WM_NAME, AnyPropertyType, kMaxTitleLength);
  }
  if (title.size() > kMaxTitleLength) title.resize(kMaxTitleLength);
  // A title ends at its first NUL, as a C string would.
  std::string text(title.begin(), title.end());
  return text.substr(0, text.find('\0'));
}

bool Desktop::IsWindowEnabled(WindowHandle window) {
  if (connection_ == nullptr) return false;
  Connection& c = *connection_;
  XWindowAttributes attributes;
  if (!c.x->XGetWindowAttributes(c.display, window, &attributes)) return false;
  if (attributes.map_state == IsViewable) return true;
  // An iconified window is unmapped, yet VICE's GTK window still takes a
  // drop there (tried under twm), as a minimised window does on Windows. A
  // window that is unmapped for any other reason is not shown at all.
  return c.GetLong(window, c.wm_state, c.wm_state) == IconicState;
}

void Desktop::RaiseWindow(WindowHandle handle) {
  if (connection_ == nullptr) return;
  Connection& c = *connection_;
  const Window window = handle;
  if (!c.WindowManagerSupports(c.net_active_window)) {
    // ICCCM: mapping an iconified window asks the window manager to show it
    // again; without a window manager, the window is shown and raised.
    c.x->XMapRaised(c.display, window);
    c.x->XSync(c.display, False);
    return;
  }
  // EWMH: the window manager de-iconifies, raises and focuses the window.
  // Source 1, an application, with a real timestamp: window managers that
  // guard against focus stealing weigh it against the user's last input.
  if (c.last_time == CurrentTime) {
    const Window own =
        c.x->XCreateSimpleWindow(c.display, c.root, -10, -10, 1, 1, 0, 0, 0);
    c.ServerTime(own, Clock::now() + kRaiseBudget);
    c.x->XDestroyWindow(c.display, own);
  }
  XEvent event = {};
  event.xclient.type = ClientMessage;
  event.xclient.display = c.display;
  event.xclient.window = window;
  event.xclient.message_type = c.net_active_window;
  event.xclient.format = 32;
  event.xclient.data.l[0] = 1;
  event.xclient.data.l[1] = static_cast<long>(c.last_time);
  c.x->XSendEvent(c.display, c.root, False,
                  SubstructureRedirectMask | SubstructureNotifyMask, &event);
  c.x->XSync(c.display, False);
}

std::string Desktop::Describe() const {
  const char* display = std::getenv("DISPLAY");
  return std::string("the X display ") + (display != nullptr ? display : "");
}

bool Desktop::CanHang() const {
  const char* display = std::getenv("DISPLAY");
  return display != nullptr && display[0] != '\0';
}

DropResult Desktop::DropFile(WindowHandle target_handle,
                             const std::string& absolute_path) {
  if (connection_ == nullptr) return DropResult::kNotSent;
  Connection& c = *connection_;
  const auto deadline = Clock::now() + kDropBudget;
  const Window target = target_handle;

  // Messages go to the proxy when the target names one that confirms it.
  Window receiver = target;
  const long proxy = c.GetLong(target, c.xdnd_proxy, XA_WINDOW);
  if (proxy != 0 && c.GetLong(proxy, c.xdnd_proxy, XA_WINDOW) == proxy) {
    receiver = proxy;
  }
  // A window that does not speak XDND takes no dropped files.
  const long target_version = c.GetLong(receiver, c.xdnd_aware, XA_ATOM);
  if (target_version < kMinXdndVersion) return DropResult::kRefused;
  const long version = std::min(kXdndVersion, target_version);

  // The source window that owns the selection and receives the answers.
  const Window source =
      c.x->XCreateSimpleWindow(c.display, c.root, -10, -10, 1, 1, 0, 0, 0);
  if (source == 0) return DropResult::kNotSent;
  const Time time = c.ServerTime(source, deadline);
  XEvent event;
  c.x->XSetSelectionOwner(c.display, c.xdnd_selection, source, time);

  int root_x = 0, root_y = 0;
  Window child;
  c.x->XTranslateCoordinates(c.display, target, c.root, 10, 10, &root_x,
                             &root_y, &child);

  const std::string uri_list = FileUriList(absolute_path);
  c.SendClientMessage(receiver, target, c.xdnd_enter, static_cast<long>(source),
                      version << 24, static_cast<long>(c.uri_list),
                      static_cast<long>(c.text_plain), None);
  c.SendClientMessage(receiver, target, c.xdnd_position,
                      static_cast<long>(source), 0,
                      PackXdndPoint(root_x, root_y), static_cast<long>(time),
                      static_cast<long>(c.xdnd_action_copy));

  bool answered = false;  // An XdndStatus came.
  bool refused = false;
  while (!refused && c.NextEvent(deadline, &event)) {
    if (event.type == SelectionRequest &&
        event.xselectionrequest.selection == c.xdnd_selection) {
      // Hand over the file as a URI list, for either type we offered.
      const XSelectionRequestEvent& request = event.xselectionrequest;
      XEvent reply = {};
      reply.xselection.type = SelectionNotify;
      reply.xselection.display = c.display;
      reply.xselection.requestor = request.requestor;
      reply.xselection.selection = request.selection;
      reply.xselection.target = request.target;
      reply.xselection.time = request.time;
      reply.xselection.property = None;
      const Atom property =
          request.property != None ? request.property : request.target;
      if (request.target == c.uri_list || request.target == c.text_plain) {
        c.x->XChangeProperty(
            c.display, request.requestor, property, request.target, 8,
            PropModeReplace,
            reinterpret_cast<const unsigned char*>(uri_list.data()),
            static_cast<int>(uri_list.size()));
        reply.xselection.property = property;
      } else if (request.target == c.targets) {
        // The selection conventions ask every owner to list its targets.
        const long offered[] = {static_cast<long>(c.targets),
                                static_cast<long>(c.uri_list),
                                static_cast<long>(c.text_plain)};
        c.x->XChangeProperty(c.display, request.requestor, property, XA_ATOM,
                             32, PropModeReplace,
                             reinterpret_cast<const unsigned char*>(offered),
                             3);
        reply.xselection.property = property;
      }
      c.x->XSendEvent(c.display, request.requestor, False, NoEventMask, &reply);
      c.x->XFlush(c.display);
    } else if (event.type == ClientMessage && event.xclient.window == source &&
               static_cast<Window>(event.xclient.data.l[0]) == target) {
      if (event.xclient.message_type == c.xdnd_status && !answered) {
        answered = true;
        if (event.xclient.data.l[1] & 1) {
          c.SendClientMessage(receiver, target, c.xdnd_drop,
                              static_cast<long>(source), 0,
                              static_cast<long>(time), 0, 0);
        } else {
          refused = true;
        }
      } else if (event.xclient.message_type == c.xdnd_finished) {
        break;
      }
    }
  }
  // Refused, or no answer within the budget: say goodbye, as the protocol
  // asks, so that the target does not wait for a drop that never comes.
  if (!answered || refused) {
    c.SendClientMessage(receiver, target, c.xdnd_leave,
                        static_cast<long>(source), 0, 0, 0, 0);
  }
  c.x->XDestroyWindow(c.display, source);
  // Until the server has it all: the process may end right after this.
  c.x->XSync(c.display, False);
  if (!answered) return DropResult::kUnanswered;
  return refused ? DropResult::kRefused : DropResult::kDelivered;
}

}  // namespace quennet::brackwin
