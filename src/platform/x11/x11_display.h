// The one connection to the X server, and what the program reads from it once.
#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <memory>

namespace quorvex::x11 {

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

// Throws Failure (kDisplay) when no X display can be reached or it lacks XTEST.
DisplayPtr OpenDisplay();

// What to do, before the program ends, when the connection to the X server is lost
// (the server ended, the session closed); nullptr for nothing. The program then says
// so on standard error and ends with status 1.
void OnConnectionLost(std::function<void()> release);

// 1440 / the Xft.dpi resource, or / 96 when it is not set or outside kMinDpi..kMaxDpi
// (which is said on standard error).
constexpr double kMinDpi = 24;
constexpr double kMaxDpi = 960;
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
