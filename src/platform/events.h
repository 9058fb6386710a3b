#pragma once

namespace quorvex {

// What a platform raises on its event thread, one call at a time.
class Events {
 public:
  virtual ~Events() = default;
  virtual void frmMain_Click() = 0;
  virtual void frmTwo_Click() = 0;
  virtual void Timer1_Timer() = 0;
  virtual void Timer2_Timer() = 0;
  virtual void MSComm1_OnComm() = 0;
};

}  // namespace quorvex
