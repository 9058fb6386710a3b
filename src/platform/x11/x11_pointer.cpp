#include "platform/x11/x11_pointer.h"

#include <X11/extensions/XTest.h>

#include <array>
#include <optional>

namespace quorvex::x11 {

// XTEST presses physical buttons, which the pointer mapping then turns into the
// ones applications see (3 2 1 for a left-handed mouse). Read under the click's
// server grab, it cannot change before the press, nor be stale for a MappingNotify
// not yet handled.
unsigned X11Pointer::PrimaryButton() {
  std::array<unsigned char, 256> map{};
  const int buttons = XGetPointerMapping(display_, map.data(), static_cast<int>(map.size()));
  for (int physical = 0; physical < buttons; ++physical) {
    if (map[static_cast<std::size_t>(physical)] == Button1) {
      return static_cast<unsigned>(physical) + 1;
    }
  }
  return Button1;
}

// With the server grabbed, the pointer is checked, its place read and the click made
// before any other client's request: no one else's motion, press or grab comes
// between them. A button held means a press on its way (a window manager's
// click-to-focus grab holds the pointer frozen until it hands that press on) or the
// operator's drag; another client's grab would take the press. Either way nothing is
// pressed now and the caller tries again. The way back leaves at once without a round
// trip, as the controller waits for this click, and the loop flushes it.
bool X11Pointer::Click(Point at) {
  std::optional<Point> saved;
  XGrabServer(display_);
  if (!Free(saved)) {
    XUngrabServer(display_);
    XFlush(display_);
    return false;
  }
  const unsigned primary = PrimaryButton();
  XTestFakeMotionEvent(display_, -1, at.x, at.y, CurrentTime);
  XTestFakeButtonEvent(display_, primary, True, CurrentTime);
  XTestFakeButtonEvent(display_, primary, False, CurrentTime);
  XUngrabServer(display_);
  XFlush(display_);
  if (saved) {
    XTestFakeMotionEvent(display_, -1, saved->x, saved->y, CurrentTime);
  }
  return true;
}

// A grab of our own on the root succeeds only while no other client holds the
// pointer; it is released at once, the server still grabbed. `where` stays empty
// when the pointer is on another screen: it is not brought back from there.
bool X11Pointer::Free(std::optional<Point>& where) {
  constexpr unsigned kButtons = Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask;
  const Window rootWindow = DefaultRootWindow(display_);
  Window root = 0, child = 0;
  int rootX = 0, rootY = 0, x = 0, y = 0;
  unsigned mask = 0;
  const bool here =
      XQueryPointer(display_, rootWindow, &root, &child, &rootX, &rootY, &x, &y, &mask);
  if ((mask & kButtons) != 0) {
    return false;
  }
  if (here) {
    where = Point{.x = rootX, .y = rootY};
  }
  if (XGrabPointer(display_, rootWindow, False, 0, GrabModeAsync, GrabModeAsync, None, None,
                   CurrentTime) != GrabSuccess) {
    return false;
  }
  XUngrabPointer(display_, CurrentTime);
  return true;
}

}  // namespace quorvex::x11
