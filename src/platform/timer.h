// The program's timers: ticking on the event thread while enabled.
#pragma once

#include <chrono>

namespace quorvex {

// A timer ticking on the event thread, only while enabled: every 10 ms for the
// restores, every second for a lost line's next try.
// Enabling an enabled timer restarts its interval.
class Timer {
 public:
  static constexpr int kIntervalMs = 10;
  static constexpr int kRetryIntervalMs = 1000;
  virtual ~Timer() = default;
  virtual void Enabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
  // Set while disabled: the next Enabled(true) ticks at this pace.
  virtual void Interval(std::chrono::milliseconds interval) = 0;
};

}  // namespace quorvex
