#include "platform/x11/x11_stacking.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <memory>

#include "platform/x11/x11_display.h"

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

std::optional<std::size_t> RestackAbove(std::size_t count, std::size_t lowest,
                                        std::optional<std::size_t> followed,
                                        const std::function<bool(std::size_t)>& covers) {
  if (lowest >= count) {
    return std::nullopt;
  }
  if (followed) {
    if (*followed > lowest) {
      return followed;  // the application raised over the overlay
    }
    for (std::size_t i = *followed + 1; i < lowest; ++i) {
      if (covers(i)) {
        return followed;
      }
    }
    return std::nullopt;
  }
  for (std::size_t i = count - 1; i > lowest; --i) {
    if (covers(i)) {
      return i;
    }
  }
  return std::nullopt;
}

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
// (between it and the followed window, when there is one) until one covering it is
// found; the restack itself waits for no reply unless it is the followed window's.
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
  const Window frame = followed_();
  const Window* at = frame == None ? end : std::find(begin, end, frame);
  const std::optional<std::size_t> followed =
      at == end ? std::nullopt : std::optional(static_cast<std::size_t>(at - begin));
  for (const X11Overlay* overlay : overlays_) {
    if (!overlay->KeptAbove()) {
      continue;
    }
    const auto lowest = static_cast<std::size_t>(
        std::find_if(begin, end, [&](Window w) { return overlay->Owns(w); }) - begin);
    const auto covers = [&](std::size_t i) {
      return !isOurs(list[i]) && Covers(display_, list[i], *overlay);
    };
    std::optional<std::size_t> sibling;
    {
      const QuietErrors quiet;
      sibling = RestackAbove(count, lowest, followed, covers);
    }
    if (!sibling || Restack(*overlay, list[*sibling], followed.has_value())) {
      continue;
    }
    // The followed window went, or is no longer the root's child: above everything.
    const QuietErrors quiet;
    if (const auto above = RestackAbove(count, lowest, std::nullopt, covers)) {
      Restack(*overlay, list[*above], false);
    }
  }
}

// `checked`: waits for the server's answer, and says whether the restack was made.
bool X11Stacking::Restack(const X11Overlay& overlay, Window sibling, bool checked) {
  const ErrorTrap trap;
  XWindowChanges changes{};
  changes.stack_mode = Above;
  changes.sibling = sibling;
  for (const Window window : overlay.Windows()) {
    XConfigureWindow(display_, window, CWSibling | CWStackMode, &changes);
    changes.sibling = window;
  }
  if (!checked) {
    return true;
  }
  XSync(display_, False);
  return !trap.Failed();
}

}  // namespace quorvex::x11
