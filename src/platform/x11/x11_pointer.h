// The program's clicks on X11, through the XTEST extension.
#pragma once

#include <X11/Xlib.h>

#include "platform/pointer.h"

namespace quorvex::x11 {

class X11Pointer final : public Pointer {
 public:
  explicit X11Pointer(Display* display) : display_(display) {}
  bool Click(Point at) override;

 private:
  Display* display_;
};

}  // namespace quorvex::x11
