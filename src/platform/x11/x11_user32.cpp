#include "platform/x11/x11_user32.h"

#include <X11/extensions/XTest.h>

#include <ctime>
#include <optional>
#include <utility>

#include "platform/virtual_screen.h"

namespace quorvex::x11 {
namespace {

constexpr std::int32_t kHwndNoTopmost = -2;

}  // namespace

X11Overlay* X11User32::Find(std::uint32_t hWnd) const {
  for (X11Overlay* overlay : overlays_) {
    if (overlay->hWnd() == hWnd) {
      return overlay;
    }
  }
  return nullptr;
}

// Only the stacking is taken: the program places its windows in twips, and always
// passes SWP_NOMOVE | SWP_NOSIZE here.
bool X11User32::SetWindowPos(std::uint32_t hWnd, std::int32_t hWndInsertAfter, std::int32_t /*x*/,
                             std::int32_t /*y*/, std::int32_t /*cx*/, std::int32_t /*cy*/,
                             std::uint32_t /*flags*/) {
  X11Overlay* overlay = Find(hWnd);
  if (!overlay) {
    return false;
  }
  if (hWndInsertAfter == user32::kHwndTopmost || hWndInsertAfter == kHwndNoTopmost) {
    overlay->KeepAbove(hWndInsertAfter == user32::kHwndTopmost);
  }
  return true;
}

std::int32_t X11User32::GetWindowLongA(std::uint32_t hWnd, std::int32_t index) {
  if (!Find(hWnd) || index != user32::kGwlExStyle) {
    return 0;
  }
  return exStyle_[hWnd];
}

std::int32_t X11User32::SetWindowLongA(std::uint32_t hWnd, std::int32_t index, std::int32_t value) {
  X11Overlay* overlay = Find(hWnd);
  if (!overlay || index != user32::kGwlExStyle) {
    return 0;
  }
  overlay->Layered((value & user32::kWsExLayered) != 0);
  return std::exchange(exStyle_[hWnd], value);
}

// As on Windows, the attributes only take on a layered window.
bool X11User32::SetLayeredWindowAttributes(std::uint32_t hWnd, std::uint32_t /*colorKey*/,
                                           std::uint8_t alpha, std::uint32_t flags) {
  X11Overlay* overlay = Find(hWnd);
  if (!overlay || !(exStyle_[hWnd] & user32::kWsExLayered)) {
    return false;
  }
  if (flags & user32::kLwaAlpha) {
    overlay->Opacity(alpha);
  }
  return true;
}

// The one round trip of a click, and its start: the program reads the cursor only to
// click. Its reply also tells that a step-aside sent before it is done, so the
// restore's interval starts only once the window has moved. The server stays grabbed
// from here to the end of SendInput, so no other client comes between the reading
// and the click. A button held down means a press on its way: a window manager's
// click-to-focus grab holds the pointer frozen until it hands that press on, and the
// press then lands wherever the pointer is by then. So the click waits for it, briefly.
bool X11User32::GetCursorPos(Point& point) {
  constexpr int kWaits = 50;
  constexpr timespec kWait{.tv_sec = 0, .tv_nsec = 1'000'000};
  constexpr unsigned kButtons = Button1Mask | Button2Mask | Button3Mask;
  for (int wait = 0;; ++wait) {
    XGrabServer(display_);
    grabbed_ = true;
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned mask = 0;
    if (!XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY, &x, &y,
                       &mask)) {
      return false;
    }
    point = {.x = rootX, .y = rootY};
    if (!(mask & kButtons) || wait == kWaits) {
      return true;
    }
    XUngrabServer(display_);
    XFlush(display_);
    grabbed_ = false;
    ::nanosleep(&kWait, nullptr);
  }
}

// The cursor's way back follows the click on the same connection; the loop flushes
// it before it sleeps.
bool X11User32::SetCursorPos(std::int32_t x, std::int32_t y) {
  XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
  return true;
}

// The virtual screen is the root window, which spans every monitor.
std::int32_t X11User32::GetSystemMetrics(std::int32_t index) {
  const int screen = DefaultScreen(display_);
  switch (index) {
    case user32::kSmCxVirtualScreen:
      return DisplayWidth(display_, screen);
    case user32::kSmCyVirtualScreen:
      return DisplayHeight(display_, screen);
    default:
      return 0;  // the origin, and anything the program does not ask
  }
}

// The program sends left-button presses and releases, each with an absolute move to
// its point. Until XUngrabServer no other client's request is acted on, so no one
// else's motion or click can come between the move and the press. A move to where the
// last one went is left out: the pointer is there already. They leave at once, without
// a round trip: the controller waits for this click.
std::uint32_t X11User32::SendInput(std::span<const MouseInput> inputs) {
  constexpr std::uint32_t kAbsoluteMove = user32::kMouseEventMove | user32::kMouseEventAbsolute;
  const int screen = DefaultScreen(display_);
  if (!std::exchange(grabbed_, true)) {
    XGrabServer(display_);
  }
  std::optional<std::pair<int, int>> at;
  for (const MouseInput& input : inputs) {
    if ((input.dwFlags & kAbsoluteMove) == kAbsoluteMove) {
      const std::pair point{FromAbsolute(input.dx, 0, DisplayWidth(display_, screen)),
                            FromAbsolute(input.dy, 0, DisplayHeight(display_, screen))};
      if (at != point) {
        XTestFakeMotionEvent(display_, -1, point.first, point.second, CurrentTime);
        at = point;
      }
    }
    if (input.dwFlags & user32::kMouseEventLeftDown) {
      XTestFakeButtonEvent(display_, Button1, True, CurrentTime);
    }
    if (input.dwFlags & user32::kMouseEventLeftUp) {
      XTestFakeButtonEvent(display_, Button1, False, CurrentTime);
    }
  }
  XUngrabServer(display_);
  XFlush(display_);
  grabbed_ = false;
  return static_cast<std::uint32_t>(inputs.size());
}

}  // namespace quorvex::x11
