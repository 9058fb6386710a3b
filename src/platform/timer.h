// The restore and retry timers: a 10 ms interval, ticking on the event thread while
// enabled.
#pragma once

namespace quorvex {

// A 10 ms timer ticking on the event thread, only while enabled.
// Enabling an enabled timer restarts its interval.
class Timer {
 public:
  static constexpr int kIntervalMs = 10;
  virtual ~Timer() = default;
  virtual void Enabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
};

}  // namespace quorvex
