#include "platform/x11/x11_stacking.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <memory>

namespace quorvex::x11 {
namespace {

struct XFreer {
  void operator()(Window* windows) const { XFree(windows); }
};

// Windows come and go between the listing and the questions about them: one gone
// meanwhile is no failure worth a line. Only for requests that wait for their reply.
class QuietErrors {
 public:
  QuietErrors() : previous_(XSetErrorHandler(Ignore)) {}
  ~QuietErrors() { XSetErrorHandler(previous_); }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;

 private:
  static int Ignore(Display* /*display*/, XErrorEvent* /*error*/) { return 0; }
  XErrorHandler previous_;
};

// A viewable top-level window that a window manager may stack, over `overlay`.
bool Covers(Display* display, Window window, const X11Overlay& overlay) {
  XWindowAttributes a{};
  if (!XGetWindowAttributes(display, window, &a) || a.map_state != IsViewable ||
      a.override_redirect) {
    return false;
  }
  const X11Overlay::Rect r = overlay.Place();
  const int width = a.width + 2 * a.border_width;
  const int height = a.height + 2 * a.border_width;
  return a.x < r.x + r.width && r.x < a.x + width && a.y < r.y + r.height && r.y < a.y + height;
}

}  // namespace

void X11Stacking::Request(LookWhen when) {
  if (when == LookWhen::kSoon) {
    requested_ = true;
  } else {
    still_ = Clock::now() + kStill;
  }
}

std::optional<X11Stacking::Clock::time_point> X11Stacking::Due() const {
  if (!requested_) {
    return still_;
  }
  return still_ ? std::min(*still_, rate_.Due()) : rate_.Due();
}

bool X11Stacking::RunIfDue(Clock::time_point now) {
  const auto due = Due();
  if (!due || *due > now) {
    return false;
  }
  requested_ = false;
  still_.reset();
  rate_.Take(now);
  Look();
  return true;
}

// One round trip for the stacking order, one more for each window above an overlay
// until one covering it is found; the restack itself waits for no reply.
void X11Stacking::Look() {
  Window root = 0, parent = 0;
  Window* list = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &list, &count)) {
    return;
  }
  const std::unique_ptr<Window, XFreer> owner(list);
  const Window* begin = list;
  const Window* end = begin + count;
  const auto isOurs = [this](Window window) {
    return std::ranges::any_of(overlays_,
                               [window](const X11Overlay* o) { return o->Owns(window); });
  };
  for (const X11Overlay* overlay : overlays_) {
    if (!overlay->KeptAbove()) {
      continue;
    }
    // Bottom to top: whatever is above the overlay's lower window may cover it.
    const auto windows = overlay->Windows();
    const Window* lowest = std::find_if(begin, end, [&](Window w) { return overlay->Owns(w); });
    Window cover = None;
    {
      const QuietErrors quiet;
      for (const Window* above = end; above != lowest;) {
        --above;
        if (!isOurs(*above) && Covers(display_, *above, *overlay)) {
          cover = *above;
          break;
        }
      }
    }
    if (cover == None) {
      continue;
    }
    XWindowChanges changes{};
    changes.stack_mode = Above;
    changes.sibling = cover;
    for (const Window window : windows) {
      XConfigureWindow(display_, window, CWSibling | CWStackMode, &changes);
      changes.sibling = window;
    }
  }
}

}  // namespace quorvex::x11
