// The one clock of every figure: CLOCK_MONOTONIC, as Python's perf_counter_ns reads it.
#pragma once

#include <time.h>

#include <cstdint>

namespace quorvex::bench {

inline std::int64_t NowNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

}  // namespace quorvex::bench
