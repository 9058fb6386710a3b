// A timer that a poll loop drives: it only holds its next deadline.
#pragma once

#include <chrono>
#include <optional>

#include "platform/timer.h"

namespace quorvex::posix {

class PollTimer final : public Timer {
 public:
  using Clock = std::chrono::steady_clock;
  explicit PollTimer(std::chrono::milliseconds interval = std::chrono::milliseconds(kIntervalMs))
      : interval_(interval) {}

  void Enabled(bool enabled) override {
    deadline_ = enabled ? std::optional(Clock::now() + interval_) : std::nullopt;
  }
  bool Enabled() const override { return deadline_.has_value(); }
  void Interval(std::chrono::milliseconds interval) override { interval_ = interval; }
  const std::optional<Clock::time_point>& Deadline() const { return deadline_; }

  // True when a tick is due at `now`; the next one is then armed an interval on.
  bool TakeTick(Clock::time_point now) {
    if (!deadline_ || *deadline_ > now) {
      return false;
    }
    deadline_ = now + interval_;
    return true;
  }

 private:
  std::chrono::milliseconds interval_;
  std::optional<Clock::time_point> deadline_;
};

}  // namespace quorvex::posix
