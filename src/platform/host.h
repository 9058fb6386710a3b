// What each platform provides to the program, and the events it raises.
#pragma once

#include "platform/followed_window.h"
#include "platform/overlay.h"
#include "platform/pointer.h"
#include "platform/serial_line.h"
#include "platform/timer.h"
#include "platform/toolkit.h"

namespace quorvex {

// Raised on the platform's event thread, one call at a time.
class Events {
 public:
  virtual ~Events() = default;
  // The operator's click on an overlay, released at `at` (screen pixels).
  virtual void frmMain_Click(Point at) = 0;
  virtual void frmTwo_Click(Point at) = 0;
  virtual void Timer1_Timer() = 0;
  virtual void Timer2_Timer() = 0;
  // A click that had to wait is tried again.
  virtual void Timer3_Timer() = 0;
  // The screen's size or arrangement changed: a monitor came or went, a resolution
  // was set.
  virtual void ScreenChanged() = 0;
  // Once a second while a lost line is waited for.
  virtual void Timer4_Timer() = 0;
  // Each HEARTBEAT interval.
  virtual void Timer5_Timer() = 0;
  // Input, or a hang-up, is there on the line.
  virtual void MSComm1_OnComm() = 0;
  // The followed window appeared, moved, was resized or went.
  virtual void Window_Moved() = 0;
};

struct Platform {
  Overlay& frmMain;
  Overlay& frmTwo;
  Timer& Timer1;
  Timer& Timer2;
  Timer& Timer3;  // retries clicks that had to wait
  Timer& Timer4;  // kRetryIntervalMs
  Timer& Timer5;  // HEARTBEAT
  SerialLine& MSComm1;
  Pointer& pointer;
  Toolkit& toolkit;
  FollowedWindow& window;
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
