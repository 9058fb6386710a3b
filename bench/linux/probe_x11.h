// The probe's side of the X server: its own target window (a ButtonPress can be
// selected by one client only, so the window that timestamps the press is ours),
// watched windows, and XTEST clicks.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <memory>
#include <string>

namespace quorvex::bench {

struct Rect {
  int x, y, width, height;
};

class ProbeDisplay {
 public:
  ProbeDisplay();  // throws std::runtime_error without a display
  Display* get() const { return display_.get(); }
  int fd() const { return ConnectionNumber(display_.get()); }

  // An undecorated window that reports presses and the pointer's moves over it,
  // mapped before this returns.
  Window CreateTarget(const Rect& rect);
  // A window as an application maps one (no override-redirect), titled, its moves
  // reported; mapped before this returns.
  Window CreateApplication(const Rect& rect, const std::string& title);
  // Moves, maps and unmaps of another client's window are reported from now on.
  void Watch(Window window);
  // Every child of the root mapped from now on is reported.
  void WatchMaps();
  // The pointer is first moved there and the move synced, so that only the press
  // and release are in flight when this returns.
  void MoveTo(int x, int y);
  void Click();

  // The next event, waiting at most until `deadlineNs`; false if none came.
  bool NextEvent(XEvent& event, std::int64_t deadlineNs);

 private:
  struct Closer {
    void operator()(Display* display) const { XCloseDisplay(display); }
  };
  std::unique_ptr<Display, Closer> display_;
};

}  // namespace quorvex::bench
