// The Xlib connection of the window route's child: the search of the
// top-level windows of the default screen (EWMH where the window manager
// offers it), a drop through the XDND protocol, which is what GTK, Qt and
// SDL applications accept as a dropped file, and raising.

#include "platform/xlib_connection.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/xdnd.h"
#include "platform/xlib_library.h"
#include "shared/poll_wait.h"

namespace quennet::brackwin {
namespace {

using Clock = std::chrono::steady_clock;

constexpr long kXdndVersion = 5;
constexpr long kMinXdndVersion = 3;
constexpr std::size_t kMaxTitleLength = 511;

// Windows can vanish between two requests; the errors that follow are
// expected and must not end the process, as Xlib's default handler would.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// A lost connection would end the process through Xlib's default handler,
// with exit(1) and the exit handlers of the parent. The child ends here
// instead, with a status that says what happened.
int ExitOnLostConnection(Display*) { _exit(kLostConnectionStatus); }

struct Connection {
  const XlibLibrary* x = nullptr;
  Display* display = nullptr;
  Window root = 0;
  std::vector<Atom> supported;  // _NET_SUPPORTED, read once.
  bool supported_read = false;

  Atom wm_state, net_wm_name, utf8_string, xdnd_aware, xdnd_proxy,
      xdnd_selection, xdnd_enter, xdnd_position, xdnd_status, xdnd_drop,
      xdnd_leave, xdnd_finished, xdnd_action_copy, uri_list, text_plain,
      targets, timestamp_property, net_supported, net_active_window,
      net_client_list_stacking, net_wm_pid, net_wm_desktop, net_current_desktop;
  Time last_time = CurrentTime;  // The server's, from ServerTime.

  enum OpenResult { kOpened, kNoLibrary, kRefused };
  OpenResult Open() {
    x = LoadXlib();
    if (x == nullptr) return kNoLibrary;
    display = x->XOpenDisplay(nullptr);  // Null without a usable DISPLAY.
    if (display == nullptr) return kRefused;
    x->XSetErrorHandler(IgnoreXError);
    x->XSetIOErrorHandler(ExitOnLostConnection);
    root = DefaultRootWindow(display);
    const char* names[] = {"WM_STATE",
                           "_NET_WM_NAME",
                           "UTF8_STRING",
                           "XdndAware",
                           "XdndProxy",
                           "XdndSelection",
                           "XdndEnter",
                           "XdndPosition",
                           "XdndStatus",
                           "XdndDrop",
                           "XdndLeave",
                           "XdndFinished",
                           "XdndActionCopy",
                           "text/uri-list",
                           "text/plain",
                           "TARGETS",
                           "_BRACKWIN_TIMESTAMP",
                           "_NET_SUPPORTED",
                           "_NET_ACTIVE_WINDOW",
                           "_NET_CLIENT_LIST_STACKING",
                           "_NET_WM_PID",
                           "_NET_WM_DESKTOP",
                           "_NET_CURRENT_DESKTOP"};
    Atom* atoms[] = {&wm_state,           &net_wm_name,
                     &utf8_string,        &xdnd_aware,
                     &xdnd_proxy,         &xdnd_selection,
                     &xdnd_enter,         &xdnd_position,
                     &xdnd_status,        &xdnd_drop,
                     &xdnd_leave,         &xdnd_finished,
                     &xdnd_action_copy,   &uri_list,
                     &text_plain,         &targets,
                     &timestamp_property, &net_supported,
                     &net_active_window,  &net_client_list_stacking,
                     &net_wm_pid,         &net_wm_desktop,
                     &net_current_desktop};
    constexpr int kCount = sizeof(names) / sizeof(names[0]);
    static_assert(kCount == sizeof(atoms) / sizeof(atoms[0]));
    Atom values[kCount];
    // One round trip for all of them.
    x->XInternAtoms(display, const_cast<char**>(names), kCount, False, values);
    for (int i = 0; i < kCount; ++i) *atoms[i] = values[i];
    return kOpened;
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

  // The 32-bit items of a property.
  std::vector<long> GetLongs(Window window, Atom property, Atom type,
                             std::size_t max_items) {
    int format = 0;
    const std::vector<unsigned char> bytes =
        GetProperty(window, property, type, max_items * 4, &format);
    std::vector<long> items;
    if (format != 32) return items;
    items.resize(bytes.size() / sizeof(long));
    if (!items.empty()) std::memcpy(items.data(), bytes.data(), bytes.size());
    return items;
  }

  // The first 32-bit item of a property; false when it is absent.
  bool GetLong(Window window, Atom property, Atom type, long* value) {
    const std::vector<long> items = GetLongs(window, property, type, 1);
    if (items.empty()) return false;
    *value = items[0];
    return true;
  }

  long GetLongOr0(Window window, Atom property, Atom type) {
    long value = 0;
    return GetLong(window, property, type, &value) ? value : 0;
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

  // Whether the window manager supports the EWMH hint `atom`.
  bool WindowManagerSupports(Atom atom) {
    if (!supported_read) {
      for (const long item : GetLongs(root, net_supported, XA_ATOM, 1024)) {
        supported.push_back(static_cast<Atom>(item));
      }
      supported_read = true;
    }
    return std::find(supported.begin(), supported.end(), atom) !=
           supported.end();
  }

  std::string GetTitle(Window window) {
    std::vector<unsigned char> title =
        GetProperty(window, net_wm_name, utf8_string, kMaxTitleLength);
    if (title.empty()) {
      title = GetProperty(window, XA_WM_NAME, AnyPropertyType, kMaxTitleLength);
    }
    if (title.size() > kMaxTitleLength) title.resize(kMaxTitleLength);
    // A title ends at its first NUL, as a C string would.
    std::string text(title.begin(), title.end());
    return text.substr(0, text.find('\0'));
  }

  // Whether the client of `window` runs on this machine, by its
  // WM_CLIENT_MACHINE: one of another host (ssh -X from there) would be
  // handed a path that names a file here. A window that does not say is
  // taken as this host's; a short name matches the full one.
  bool OnThisHost(Window window) {
    const std::vector<unsigned char> bytes =
        GetProperty(window, XA_WM_CLIENT_MACHINE, AnyPropertyType, 256);
    std::string machine(bytes.begin(), bytes.end());
    machine = machine.substr(0, machine.find('\0'));
    char host[256] = {};
    if (machine.empty() || gethostname(host, sizeof(host) - 1) != 0) {
      return true;
    }
    const std::string here = host;
    const auto names = [](const std::string& full, const std::string& part) {
      return full.compare(0, part.size(), part) == 0 &&
             (full.size() == part.size() || full[part.size()] == '.');
    };
    return names(machine, here) || names(here, machine);
  }

  // The application window inside `frame`: under a reparenting window
  // manager the title sits on the client (the window with WM_STATE), not on
  // the frame.
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
    return client;
  }

  // Whether `window` takes input. An iconified window is unmapped, yet
  // VICE's GTK window still takes a drop there (tried under twm), as a
  // minimised window does on Windows; so does one on another desktop, whose
  // frame the window manager unmapped. A window unmapped by its own
  // program is not shown at all.
  bool IsEnabled(Window window) {
    XWindowAttributes attributes;
    if (!x->XGetWindowAttributes(display, window, &attributes)) return false;
    if (attributes.map_state != IsUnmapped) return true;
    return GetLongOr0(window, wm_state, wm_state) == IconicState;
  }

  // The topmost enabled VICE window (of process `pid`, unless 0), with its
  // title and process id. Round trips are few: a display 40 ms away must
  // not spend the deadline on a dozen windows. With EWMH, one read lists
  // the clients in stacking order; otherwise the tree of the root, whose
  // top-level windows are the clients themselves without a window manager
  // or frames around them under one.
  Window FindVice(TitlePredicate is_vice, long pid, std::string* title,
                  long* found_pid) {
    std::vector<Window> candidates;
    bool frames = false;
    for (const long item :
         GetLongs(root, net_client_list_stacking, XA_WINDOW, 4096)) {
      candidates.push_back(static_cast<Window>(item));
    }
    if (candidates.empty()) {
      Window root_return, parent;
      Window* children = nullptr;
      unsigned int count = 0;
      if (x->XQueryTree(display, root, &root_return, &parent, &children,
                        &count)) {
        candidates.assign(children, children + count);
      }
      if (children != nullptr) x->XFree(children);
      frames = true;
    }
    // Both lists run bottom to top; the one in front must be met first.
    for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
      Window window = *it;
      std::string text = GetTitle(window);
      if (text.empty() && frames) {
        window = FindClient(window);
        if (window == 0) continue;
        text = GetTitle(window);
      }
      if (text.empty() || !is_vice(text) || !IsEnabled(window) ||
          !OnThisHost(window)) {
        continue;
      }
      const long owner = GetLongOr0(window, net_wm_pid, XA_CARDINAL);
      if (pid != 0 && owner != pid) continue;
      *title = text;
      *found_pid = owner;
      return window;
    }
    return 0;
  }

  void SendClientMessage(Window to, Window window, Atom type, long l0, long l1,
                         long l2, long l3, long l4, long mask = NoEventMask) {
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.display = display;
    event.xclient.window = window;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    const long data[] = {l0, l1, l2, l3, l4};
    for (int i = 0; i < 5; ++i) event.xclient.data.l[i] = data[i];
    x->XSendEvent(display, to, False, mask, &event);
    x->XFlush(display);
  }

  // Waits until `deadline` for the next event; false on time-out.
  bool NextEvent(Clock::time_point deadline, XEvent* event) {
    while (x->XPending(display) == 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - Clock::now());
      if (left.count() <= 0) return false;
      WaitFor(ConnectionNumber(display), POLLIN,
              static_cast<int>(left.count()) + 1);
    }
    x->XNextEvent(display, event);
    return true;
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

  // Brings `window` to the front, on the desktop the user is on.
  void Raise(Window window, Clock::time_point deadline) {
    if (!WindowManagerSupports(net_active_window)) {
      // ICCCM: mapping an iconified window asks the window manager to show
      // it again; without a window manager, the window is shown and raised.
      x->XMapRaised(display, window);
      x->XSync(display, False);
      return;
    }
    constexpr long kRedirect =
        SubstructureRedirectMask | SubstructureNotifyMask;
    // EWMH: a window on another desktop comes to the user's, as a newly
    // started one would appear there; the user's desktop stays. 0xFFFFFFFF
    // is every desktop.
    long current = 0, desktop = 0;
    if (WindowManagerSupports(net_wm_desktop) &&
        GetLong(root, net_current_desktop, XA_CARDINAL, &current) &&
        GetLong(window, net_wm_desktop, XA_CARDINAL, &desktop) &&
        (desktop & 0xFFFFFFFF) != 0xFFFFFFFF && desktop != current) {
      SendClientMessage(root, window, net_wm_desktop, current, 1, 0, 0, 0,
                        kRedirect);
    }
    // The window manager de-iconifies, raises and focuses the window.
    // Source 1, an application, with a real timestamp: window managers that
    // guard against focus stealing weigh it against the user's last input.
    if (last_time == CurrentTime) {
      const Window own =
          x->XCreateSimpleWindow(display, root, -10, -10, 1, 1, 0, 0, 0);
      ServerTime(own, deadline);
      x->XDestroyWindow(display, own);
    }
    SendClientMessage(root, window, net_active_window, 1,
                      static_cast<long>(last_time), 0, 0, 0, kRedirect);
    x->XSync(display, False);
  }

  // Answers the target's request for the drop data: the file as a URI list,
  // for either type offered, or the list of types. Returns whether the
  // file itself was handed over.
  bool AnswerSelectionRequest(const XSelectionRequestEvent& request,
                              const std::string& uris) {
    XEvent reply = {};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = display;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.time = request.time;
    reply.xselection.property = None;
    const Atom property =
        request.property != None ? request.property : request.target;
    bool given = false;
    if (request.target == uri_list || request.target == text_plain) {
      x->XChangeProperty(display, request.requestor, property, request.target,
                         8, PropModeReplace,
                         reinterpret_cast<const unsigned char*>(uris.data()),
                         static_cast<int>(uris.size()));
      reply.xselection.property = property;
      given = true;
    } else if (request.target == targets) {
      // The selection conventions ask every owner to list its targets.
      const long offered[] = {static_cast<long>(targets),
                              static_cast<long>(uri_list),
                              static_cast<long>(text_plain)};
      x->XChangeProperty(display, request.requestor, property, XA_ATOM, 32,
                         PropModeReplace,
                         reinterpret_cast<const unsigned char*>(offered), 3);
      reply.xselection.property = property;
    }
    x->XSendEvent(display, request.requestor, False, NoEventMask, &reply);
    x->XFlush(display);
    return given;
  }

  // The XDND conversation with `target` until `deadline`; reports each step
  // and returns the last one's letter, or 0 when it ended without an
  // answer after the drop (the steps reported tell how far it got).
  char DropFile(Window target, const std::string& absolute_path,
                Clock::time_point deadline, Reporter& reporter) {
    // Messages go to the proxy when the target names one that confirms it.
    Window receiver = target;
    const long proxy = GetLongOr0(target, xdnd_proxy, XA_WINDOW);
    if (proxy != 0 && GetLongOr0(proxy, xdnd_proxy, XA_WINDOW) == proxy) {
      receiver = proxy;
    }
    // A window that does not speak XDND takes no dropped files.
    const long target_version = GetLongOr0(receiver, xdnd_aware, XA_ATOM);
    if (target_version < kMinXdndVersion) return kRefused;
    const long version = std::min(kXdndVersion, target_version);

    // The source window that owns the selection and receives the answers.
    const Window source =
        x->XCreateSimpleWindow(display, root, -10, -10, 1, 1, 0, 0, 0);
    if (source == 0) return kNotSent;
    const Time time = ServerTime(source, deadline);
    x->XSetSelectionOwner(display, xdnd_selection, source, time);

    int root_x = 0, root_y = 0;
    Window child;
    x->XTranslateCoordinates(display, target, root, 10, 10, &root_x, &root_y,
                             &child);
    const std::string uris = FileUriList(absolute_path);
    SendClientMessage(receiver, target, xdnd_enter, static_cast<long>(source),
                      version << 24, static_cast<long>(uri_list),
                      static_cast<long>(text_plain), None);
    SendClientMessage(receiver, target, xdnd_position,
                      static_cast<long>(source), 0,
                      PackXdndPoint(root_x, root_y), static_cast<long>(time),
                      static_cast<long>(xdnd_action_copy));

    char last = kUnanswered;
    bool dropped = false;
    // Some targets ask for the data while the pointer moves, before the
    // drop; the file counts as handed over once it was given and dropped.
    bool given = false;
    XEvent event;
    while (NextEvent(deadline, &event)) {
      if (event.type == SelectionRequest &&
          event.xselectionrequest.selection == xdnd_selection) {
        given |= AnswerSelectionRequest(event.xselectionrequest, uris);
        if (given && dropped && last != kDataGiven) {
          last = kDataGiven;
          reporter.Say(kDataGiven);
        }
        continue;
      }
      if (event.type != ClientMessage || event.xclient.window != source ||
          static_cast<Window>(event.xclient.data.l[0]) != target) {
        continue;
      }
      if (event.xclient.message_type == xdnd_status && !dropped) {
        if ((event.xclient.data.l[1] & 1) == 0) {
          last = kRefused;
          break;
        }
        SendClientMessage(receiver, target, xdnd_drop,
                          static_cast<long>(source), 0, static_cast<long>(time),
                          0, 0);
        dropped = true;
        last = kDropSent;
        reporter.Say(kDropSent);
        if (given) {
          last = kDataGiven;
          reporter.Say(kDataGiven);
        }
      } else if (event.xclient.message_type == xdnd_finished && dropped) {
        // Version 5 says in bit 0 whether the drop was performed; before
        // it, finishing was success.
        const bool performed =
            version < 5 || (event.xclient.data.l[1] & 1) != 0;
        last = performed ? kFinished : kDeclined;
        break;
      }
    }
    // Refused, or no answer: say goodbye, as the protocol asks, so that the
    // target does not wait for a drop that never comes.
    if (!dropped) {
      SendClientMessage(receiver, target, xdnd_leave, static_cast<long>(source),
                        0, 0, 0, 0);
    }
    x->XDestroyWindow(display, source);
    // Until the server has it all: the process ends right after this.
    x->XSync(display, False);
    return last;
  }
};

}  // namespace

void Reporter::Say(char step, const std::string& text) {
  std::string line = step + text;
  std::replace(line.begin(), line.end(), '\n', ' ');
  line += '\n';
  std::size_t written = 0;
  while (written < line.size()) {
    const ssize_t count =
        write(fd_, line.data() + written, line.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) _exit(1);
    written += static_cast<std::size_t>(count);
  }
}

// The child's work: find VICE's window, then drop `program` onto it (unless
// null) and raise it, reporting each step.
void RunInChild(const std::string* program, long pid, TitlePredicate is_vice,
                bool raise, Clock::time_point deadline, Reporter& reporter) {
  Connection c;
  switch (c.Open()) {
    case Connection::kOpened:
      break;
    case Connection::kNoLibrary:
      reporter.Say(kNoDisplay);
      return;
    case Connection::kRefused:
      // A display that is named and cannot be reached: the search ran and
      // found nothing there.
      reporter.Say(kNoWindow);
      return;
  }
  std::string title;
  long owner = 0;
  const Window window = c.FindVice(is_vice, pid, &title, &owner);
  if (window == 0) {
    reporter.Say(kNoWindow);
    return;
  }
  reporter.Say(kFoundWindow, std::to_string(owner) + " " + title);
  if (program != nullptr) {
    const auto drop_deadline = std::min(
        deadline, Clock::now() + std::chrono::milliseconds(kDropCapMs));
    const char last = c.DropFile(window, *program, drop_deadline, reporter);
    // A drop sent and not finished has been reported as far as it got.
    if (last != kDropSent && last != kDataGiven) reporter.Say(last);
    if (last != kFinished) return;
  }
  if (raise) {
    c.Raise(window, std::min(deadline, Clock::now() + std::chrono::milliseconds(
                                                          kRaiseCapMs)));
  }
  reporter.Say(kRaised);
}

}  // namespace quennet::brackwin
