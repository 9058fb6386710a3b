#include "platform/x11/x11_pointer.h"

#include <X11/extensions/XTest.h>

#include <ctime>

namespace quorvex::x11 {

// With the server grabbed, the pointer's place is read, and the click made, before
// any other client's request: no one else's motion or press comes between them. A
// button held down means a press on its way: a window manager's click-to-focus grab
// holds the pointer frozen until it hands that press on, and the press then lands
// wherever the pointer is by then. So the click waits for it, briefly. The pointer's
// reply is the click's only round trip; the rest leaves at once without one, as the
// controller waits for this click, and the way back is flushed by the loop.
void X11Pointer::Click(Point at) {
  Point saved;
  const bool read = ReadPointer(saved);
  XTestFakeMotionEvent(display_, -1, at.x, at.y, CurrentTime);
  XTestFakeButtonEvent(display_, Button1, True, CurrentTime);
  XTestFakeButtonEvent(display_, Button1, False, CurrentTime);
  XUngrabServer(display_);
  XFlush(display_);
  if (read) {
    XTestFakeMotionEvent(display_, -1, saved.x, saved.y, CurrentTime);
  }
}

// Leaves the server grabbed.
bool X11Pointer::ReadPointer(Point& where) {
  constexpr int kWaits = 50;
  constexpr timespec kWait{.tv_sec = 0, .tv_nsec = 1'000'000};
  constexpr unsigned kButtons = Button1Mask | Button2Mask | Button3Mask;
  for (int wait = 0;; ++wait) {
    XGrabServer(display_);
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned mask = 0;
    if (!XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY, &x, &y,
                       &mask)) {
      return false;
    }
    where = {.x = rootX, .y = rootY};
    if (!(mask & kButtons) || wait == kWaits) {
      return true;
    }
    XUngrabServer(display_);
    XFlush(display_);
    ::nanosleep(&kWait, nullptr);
  }
}

}  // namespace quorvex::x11
