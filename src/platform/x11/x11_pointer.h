// The program's clicks on X11, through the XTEST extension.
#pragma once

#include <X11/Xlib.h>

#include <optional>

#include "platform/pointer.h"
#include "platform/x11/x11_followed_window.h"

namespace quorvex::x11 {

class X11Pointer final : public Pointer {
 public:
  X11Pointer(Display* display, const X11FollowedWindow& followed)
      : display_(display), followed_(followed) {}
  Press Click(Point at, bool onlyFollowed) override;
  bool Landed() override;
  void Return() override;

 private:
  Display* display_;
  const X11FollowedWindow& followed_;
  std::optional<Point> saved_;  // where the cursor was before the last click
};

}  // namespace quorvex::x11
