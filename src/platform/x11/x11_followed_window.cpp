#include "platform/x11/x11_followed_window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "common/window_title.h"
#include "platform/x11/x11_display.h"

namespace quorvex::x11 {
namespace {

struct XFreer {
  void operator()(void* data) const { XFree(data); }
};
template <typename T>
using XPtr = std::unique_ptr<T, XFreer>;

struct Property {
  Atom type = None;
  XPtr<unsigned char> data;
  unsigned long items = 0;
  int format = 0;
};

// Up to 64 KiB: more than any title or state a window carries.
Property Get(Display* display, Window window, Atom name, Atom type) {
  Property p;
  unsigned char* data = nullptr;
  unsigned long after = 0;
  if (XGetWindowProperty(display, window, name, 0, 16384, False, type, &p.type, &p.format, &p.items,
                         &after, &data) != Success) {
    return {};
  }
  p.data.reset(data);
  return p;
}

struct Children {
  Window parent = None;
  XPtr<Window> list;
  unsigned count = 0;
  std::span<const Window> all() const { return {list.get(), count}; }
};

std::optional<Children> QueryTree(Display* display, Window window) {
  Window root = None;
  Window* list = nullptr;
  Children c;
  if (!XQueryTree(display, window, &root, &c.parent, &list, &c.count)) {
    return std::nullopt;
  }
  c.list.reset(list);
  return c;
}

bool Viewable(Display* display, Window window, bool* overrideRedirect = nullptr) {
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display, window, &attributes)) {
    return false;
  }
  if (overrideRedirect != nullptr) {
    *overrideRedirect = attributes.override_redirect;
  }
  return attributes.map_state == IsViewable;
}

}  // namespace

// The window that carries WM_STATE, within a frame or the top-level itself; without a
// window manager there is none, and the top-level is the client.
std::optional<Window> ClientOf(Display* display, Window topLevel) {
  const Atom wmState = XInternAtom(display, "WM_STATE", False);
  std::vector<Window> level{topLevel};
  for (int depth = 0; depth < 3 && !level.empty(); ++depth) {
    std::vector<Window> next;
    for (const Window window : level) {
      if (Get(display, window, wmState, AnyPropertyType).type != None) {
        return window;
      }
      if (const auto tree = QueryTree(display, window)) {
        next.insert(next.end(), tree->all().begin(), tree->all().end());
      }
    }
    level = std::move(next);
  }
  return topLevel;
}

// _NET_WM_NAME, else WM_NAME, as the bytes they hold.
std::string TitleOf(Display* display, Window client) {
  Property name = Get(display, client, XInternAtom(display, "_NET_WM_NAME", False),
                      XInternAtom(display, "UTF8_STRING", False));
  if (name.type == None || name.format != 8) {
    name = Get(display, client, XA_WM_NAME, AnyPropertyType);
  }
  if (name.format != 8 || !name.data) {
    return {};
  }
  return {reinterpret_cast<const char*>(name.data.get()), name.items};
}

X11FollowedWindow::X11FollowedWindow(Display* display, std::function<bool(Window)> ours,
                                     std::function<void()> changed)
    : display_(display),
      root_(DefaultRootWindow(display)),
      ours_(std::move(ours)),
      changed_(std::move(changed)),
      wmState_(XInternAtom(display, "WM_STATE", False)),
      netWmState_(XInternAtom(display, "_NET_WM_STATE", False)),
      hidden_(XInternAtom(display, "_NET_WM_STATE_HIDDEN", False)),
      netWmName_(XInternAtom(display, "_NET_WM_NAME", False)) {}

void X11FollowedWindow::Follow(std::string_view titlePart) {
  part_ = titlePart;
  Look();
}

std::optional<Point> X11FollowedWindow::ClientOrigin() {
  return found_ ? std::optional(found_->origin) : std::nullopt;
}

std::optional<Point> X11FollowedWindow::ClientOriginNow() {
  if (!found_) {
    return std::nullopt;
  }
  ErrorTrap trap;
  int x = 0;
  int y = 0;
  Window child = None;
  // Gone meanwhile: its DestroyNotify is on its way and looks again.
  if (!XTranslateCoordinates(display_, found_->client, root_, 0, 0, &x, &y, &child) ||
      trap.Failed()) {
    return std::nullopt;
  }
  return Point{x, y};
}

bool X11FollowedWindow::Take(const XEvent& event) {
  if (part_.empty()) {
    return false;
  }
  const auto isFound = [this](Window w) {
    return found_ && (w == found_->client || w == found_->frame);
  };
  switch (event.type) {
    case ConfigureNotify:
      return isFound(event.xconfigure.window) && Moved(event.xconfigure);
    case ReparentNotify:
      if (found_ && event.xreparent.window == found_->client) {
        found_->frame = TopLevelOf(found_->client);
        Watch(found_->client, found_->frame);
        Measure();
        if (found_) {
          changed_();
          return false;
        }
      }
      break;
    case UnmapNotify:
      if (isFound(event.xunmap.window)) {
        found_.reset();
        break;
      }
      return false;
    case DestroyNotify:
      if (isFound(event.xdestroywindow.window)) {
        found_.reset();
        break;
      }
      return false;
    case MapNotify:
      break;
    case PropertyNotify: {
      const Atom atom = event.xproperty.atom;
      const bool state = atom == wmState_ || atom == netWmState_;
      if (!state && atom != netWmName_ && atom != XA_WM_NAME) {
        return false;
      }
      // A title changed on the window followed changes nothing: it is followed until
      // it is no longer shown.
      if (found_ && event.xproperty.window == found_->client) {
        if (!state || Shown(found_->client, found_->frame)) {
          return false;
        }
        found_.reset();
      }
      break;
    }
    default:
      return false;
  }
  if (found_) {
    return false;  // another window mapped, renamed or reparented: the one followed stays
  }
  Look();
  changed_();
  return false;
}

// The frame's moves come through the root, the client's through the client. A frame
// that keeps its size holds the client where it was within it (a drag); anything else
// is asked of the server.
bool X11FollowedWindow::Moved(const XConfigureEvent& event) {
  Found& f = *found_;
  // A window manager's notice to its client repeats its frame's move.
  if (event.send_event) {
    return true;
  }
  // Through the root: the top-level's place among its siblings, kept or not.
  bool restacked = false;
  if (event.event == root_) {
    restacked = event.above != f.below;
    f.below = event.above;
  }
  if (f.frame == f.client) {
    f.origin = {event.x + event.border_width, event.y + event.border_width};
  } else if (event.window == f.frame && event.width == f.frameWidth &&
             event.height == f.frameHeight) {
    f.origin = {event.x + event.border_width + f.inFrame.x,
                event.y + event.border_width + f.inFrame.y};
  } else {
    Measure();
    if (!found_) {
      Look();
    }
  }
  changed_();
  return !restacked;
}

// Where the client area lies within its frame, and the frame on the root: two round
// trips, once a window is found and whenever its frame changes size or its client
// moves within it. Gone meanwhile: its DestroyNotify is on its way and looks again.
void X11FollowedWindow::Measure() {
  Found& f = *found_;
  ErrorTrap trap;
  XWindowAttributes frame{};
  Window child = None;
  if (!XGetWindowAttributes(display_, f.frame, &frame) ||
      !XTranslateCoordinates(display_, f.client, f.frame, 0, 0, &f.inFrame.x, &f.inFrame.y,
                             &child) ||
      trap.Failed()) {
    found_.reset();
    return;
  }
  f.frameWidth = frame.width;
  f.frameHeight = frame.height;
  f.origin = {frame.x + frame.border_width + f.inFrame.x,
              frame.y + frame.border_width + f.inFrame.y};
}

void X11FollowedWindow::Look() {
  found_.reset();
  ErrorTrap trap;
  const std::optional<Children> tree = QueryTree(display_, root_);
  if (!tree) {
    return;
  }
  // Bottom to top: the highest match wins.
  const auto all = tree->all();
  for (auto it = all.rbegin(); it != all.rend(); ++it) {
    if (auto match = Match(*it)) {
      found_ = match;
      Measure();
      return;
    }
  }
}

std::optional<X11FollowedWindow::Found> X11FollowedWindow::Match(Window topLevel) {
  bool overrideRedirect = false;
  if (ours_(topLevel) || !Viewable(display_, topLevel, &overrideRedirect) || overrideRedirect) {
    return std::nullopt;
  }
  const std::optional<Window> client = ClientOf(display_, topLevel);
  if (!client || ours_(*client)) {
    return std::nullopt;
  }
  Watch(*client, topLevel);
  if (!TitleMatches(TitleOf(display_, *client), part_) || !Shown(*client, topLevel)) {
    return std::nullopt;
  }
  Found found;
  found.client = *client;
  found.frame = topLevel;
  return found;
}

// Viewable, not iconic, and not hidden: some window managers keep a minimised window
// mapped and say so only in its state.
bool X11FollowedWindow::Shown(Window client, Window frame) {
  if (!Viewable(display_, client) || !Viewable(display_, frame)) {
    return false;
  }
  const Property wmState = Get(display_, client, wmState_, wmState_);
  if (wmState.format == 32 && wmState.items >= 1 &&
      reinterpret_cast<const long*>(wmState.data.get())[0] == IconicState) {
    return false;
  }
  const Property netState = Get(display_, client, netWmState_, XA_ATOM);
  if (netState.format == 32) {
    const auto* atoms = reinterpret_cast<const Atom*>(netState.data.get());
    for (unsigned long i = 0; i < netState.items; ++i) {
      if (atoms[i] == hidden_) {
        return false;
      }
    }
  }
  return true;
}

Window X11FollowedWindow::TopLevelOf(Window window) {
  ErrorTrap trap;
  for (;;) {
    const std::optional<Children> tree = QueryTree(display_, window);
    if (!tree || tree->parent == root_ || tree->parent == None) {
      return window;
    }
    window = tree->parent;
  }
}

// Changes of its title and state are told, and within a frame its moves, unmapping
// and destruction too; a top-level's come through the root, and twice would be a
// wake-up more for each.
void X11FollowedWindow::Watch(Window client, Window frame) {
  XSelectInput(display_, client,
               PropertyChangeMask | (client == frame ? NoEventMask : StructureNotifyMask));
}

}  // namespace quorvex::x11
