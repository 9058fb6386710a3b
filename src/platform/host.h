// What each platform provides to the program.
#pragma once

#include "platform/comm_control.h"
#include "platform/events.h"
#include "platform/timer.h"
#include "platform/toolkit.h"
#include "platform/user32.h"
#include "platform/window.h"

namespace quorvex {

struct Platform {
  OverlayWindow& frmMain;
  OverlayWindow& frmTwo;
  Timer& Timer1;
  Timer& Timer2;
  CommControl& MSComm1;
  User32& user32;
  Toolkit& toolkit;
};

class Host {
 public:
  virtual ~Host() = default;
  // Both overlays exist, hidden, from construction on.
  virtual Platform Services() = 0;
  // Where events go from now on, message boxes' own loops included.
  virtual void Connect(Events& events) = 0;
  // Runs until Toolkit::End (at once if it has been called) and returns its status.
  virtual int EventLoop() = 0;
};

}  // namespace quorvex
