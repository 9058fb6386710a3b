#include "probe_x11.h"

#include <X11/extensions/XTest.h>
#include <poll.h>

#include <algorithm>
#include <stdexcept>

#include "probe_clock.h"

namespace quorvex::bench {
namespace {

// Once the server has mapped it, so that what the probe times starts from a window shown.
Window MapAndWait(Display* display, Window window) {
  XMapRaised(display, window);
  XEvent event;
  do {
    XWindowEvent(display, window, StructureNotifyMask, &event);
  } while (event.type != MapNotify);
  return window;
}

}  // namespace

ProbeDisplay::ProbeDisplay() : display_(XOpenDisplay(nullptr)) {
  if (!display_) {
    throw std::runtime_error("no X display");
  }
}

Window ProbeDisplay::CreateTarget(const Rect& rect) {
  Display* display = display_.get();
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = WhitePixel(display, DefaultScreen(display));
  attributes.event_mask = ButtonPressMask | PointerMotionMask | StructureNotifyMask;
  const Window window = XCreateWindow(
      display, DefaultRootWindow(display), rect.x, rect.y, static_cast<unsigned>(rect.width),
      static_cast<unsigned>(rect.height), 0, CopyFromParent, InputOutput, CopyFromParent,
      CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
  return MapAndWait(display, window);
}

Window ProbeDisplay::CreateApplication(const Rect& rect, const std::string& title) {
  Display* display = display_.get();
  XSetWindowAttributes attributes{};
  attributes.background_pixel = WhitePixel(display, DefaultScreen(display));
  attributes.event_mask = StructureNotifyMask;
  const Window window = XCreateWindow(
      display, DefaultRootWindow(display), rect.x, rect.y, static_cast<unsigned>(rect.width),
      static_cast<unsigned>(rect.height), 0, CopyFromParent, InputOutput, CopyFromParent,
      CWBackPixel | CWEventMask, &attributes);
  XStoreName(display, window, title.c_str());
  return MapAndWait(display, window);
}

void ProbeDisplay::Watch(Window window) {
  XSelectInput(display_.get(), window, StructureNotifyMask);
  XSync(display_.get(), False);
}

void ProbeDisplay::WatchMaps() {
  XSelectInput(display_.get(), DefaultRootWindow(display_.get()), SubstructureNotifyMask);
  XSync(display_.get(), False);
}

void ProbeDisplay::MoveTo(int x, int y) {
  XTestFakeMotionEvent(display_.get(), -1, x, y, CurrentTime);
  XSync(display_.get(), False);
}

void ProbeDisplay::Click() {
  XTestFakeButtonEvent(display_.get(), Button1, True, CurrentTime);
  XTestFakeButtonEvent(display_.get(), Button1, False, CurrentTime);
  XFlush(display_.get());
}

bool ProbeDisplay::NextEvent(XEvent& event, std::int64_t deadlineNs) {
  Display* display = display_.get();
  while (XPending(display) == 0) {
    const std::int64_t left = deadlineNs - NowNs();
    if (left <= 0) {
      return false;
    }
    pollfd server{.fd = fd(), .events = POLLIN, .revents = 0};
    ::poll(&server, 1, static_cast<int>(std::min<std::int64_t>(left / 1'000'000 + 1, 1000)));
  }
  XNextEvent(display, &event);
  return true;
}

}  // namespace quorvex::bench
