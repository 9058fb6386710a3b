// The one connection to the X server, and what the program reads from it once.
#pragma once

#include <X11/Xlib.h>

#include <memory>

namespace quorvex::x11 {

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

// Throws Failure (kDisplay) when no X display can be reached or it lacks XTEST.
DisplayPtr OpenDisplay();

// 1440 / the Xft.dpi resource, or / 96 when it is not set.
double TwipsPerPixelOf(Display* display);

// The pixel value of an RGB colour (0xRRGGBB) on the default screen.
unsigned long PixelOf(Display* display, unsigned rgb);

// A window that is destroyed with its owner.
class UniqueWindow {
 public:
  UniqueWindow(Display* display, Window window) : display_(display), window_(window) {}
  UniqueWindow(const UniqueWindow&) = delete;
  UniqueWindow& operator=(const UniqueWindow&) = delete;
  ~UniqueWindow() { XDestroyWindow(display_, window_); }
  Window get() const { return window_; }

 private:
  Display* display_;
  Window window_;
};

}  // namespace quorvex::x11
