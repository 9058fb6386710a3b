// How often the overlays answer other windows coming over them, on every platform.
#pragma once

#include <algorithm>
#include <chrono>

namespace quorvex {

// However often other windows restack, the overlays answer at most kMaxPerSecond
// times in any second: a window that keeps itself on top gets an answer, never a war
// for the processor. A few may come at once (an overlay shown, moved and back), then
// one a spacing. A leaky bucket: busyUntil_ is when the answers so far would have
// ended had each taken a spacing.
class RestackRate {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr int kMaxPerSecond = 20;
  static constexpr int kBurst = 4;
  static constexpr Clock::duration kSpacing =
      std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) /
      (kMaxPerSecond - kBurst);

  // The first moment an answer may be given.
  Clock::time_point Due() const { return busyUntil_ - (kBurst - 1) * kSpacing; }
  // An answer given at `now`, due then.
  void Take(Clock::time_point now) { busyUntil_ = std::max(busyUntil_, now) + kSpacing; }

 private:
  Clock::time_point busyUntil_{};
};

}  // namespace quorvex
