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

void X11FollowedWindow::Take(const XEvent& event) {
  if (part_.empty()) {
    return;
  }
  const auto isFound = [this](Window w) {
    return found_ && (w == found_->client || w == found_->frame);
  };
  // The frame's moves come through the root, the client's within its frame through
  // the client: either moves the client area.
  switch (event.type) {
    case ConfigureNotify: {
      // A client that is itself the top-level tells its moves twice, to itself and
      // through the root: one is enough.
      const XConfigureEvent& c = event.xconfigure;
      if (isFound(c.window) && !(c.event == root_ && c.window == found_->client)) {
        changed_();
      }
      return;
    }
    case ReparentNotify:
      if (found_ && event.xreparent.window == found_->client) {
        found_->frame = TopLevelOf(found_->client);
        changed_();
        return;
      }
      break;
    case UnmapNotify:
      if (isFound(event.xunmap.window)) {
        found_.reset();
        break;
      }
      return;
    case DestroyNotify:
      if (isFound(event.xdestroywindow.window)) {
        found_.reset();
        break;
      }
      return;
    case MapNotify:
      break;
    case PropertyNotify: {
      const Atom atom = event.xproperty.atom;
      const bool state = atom == wmState_ || atom == netWmState_;
      if (!state && atom != netWmName_ && atom != XA_WM_NAME) {
        return;
      }
      // A title changed on the window followed changes nothing: it is followed until
      // it is no longer shown.
      if (found_ && event.xproperty.window == found_->client) {
        if (!state || Shown(found_->client, found_->frame)) {
          return;
        }
        found_.reset();
      }
      break;
    }
    default:
      return;
  }
  if (found_) {
    return;  // another window mapped, renamed or reparented: the one followed stays
  }
  Look();
  changed_();
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
  Watch(*client);
  if (!TitleMatches(TitleOf(display_, *client), part_) || !Shown(*client, topLevel)) {
    return std::nullopt;
  }
  return Found{.client = *client, .frame = topLevel};
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

// Its moves, unmapping and destruction, and changes of its title and state, are told.
void X11FollowedWindow::Watch(Window client) {
  XSelectInput(display_, client, StructureNotifyMask | PropertyChangeMask);
}

}  // namespace quorvex::x11
