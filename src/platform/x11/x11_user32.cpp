#include "platform/x11/x11_user32.h"

#include <X11/extensions/XTest.h>

#include <utility>

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

// The one round trip of a click: its reply also tells that a step-aside sent before
// it is done, so the restore's interval starts only once the window has moved.
bool X11User32::GetCursorPos(Point& point) {
  Window root = 0, child = 0;
  int rootX = 0, rootY = 0, x = 0, y = 0;
  unsigned mask = 0;
  if (!XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY, &x, &y,
                     &mask)) {
    return false;
  }
  point = {.x = rootX, .y = rootY};
  return true;
}

// Requests on one connection are acted on in order, so a click lands after the
// step-aside and the cursor move before it without waiting for the server; the
// loop flushes the rest before it sleeps.
bool X11User32::SetCursorPos(std::int32_t x, std::int32_t y) {
  XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
  return true;
}

// The program sends only left-button presses and releases, at the cursor. They leave
// at once: the controller waits for this click.
void X11User32::mouse_event(std::uint32_t flags, std::int32_t /*dx*/, std::int32_t /*dy*/,
                            std::int32_t /*data*/, std::uintptr_t /*extraInfo*/) {
  if (flags & user32::kMouseEventLeftDown) {
    XTestFakeButtonEvent(display_, Button1, True, CurrentTime);
  }
  if (flags & user32::kMouseEventLeftUp) {
    XTestFakeButtonEvent(display_, Button1, False, CurrentTime);
  }
  XFlush(display_);
}

}  // namespace quorvex::x11
