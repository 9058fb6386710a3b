// Absolute mouse coordinates as SendInput takes them: 0 to 65535 across the virtual
// screen, along each axis. No <windows.h>: the tests check the rule on any platform.
#pragma once

#include <algorithm>
#include <cstdint>

namespace quorvex::win32 {

constexpr std::int32_t kAbsoluteSpan = 65536;

// The middle of the pixel, so that mapping back by rounding down lands on the pixel
// itself for any screen up to 32768 pixels. A point off the screen goes to its
// nearest edge, where the cursor would be held anyway.
constexpr std::int32_t ToAbsolute(std::int32_t pixel, std::int32_t origin, std::int32_t extent) {
  if (extent <= 0) {
    return 0;
  }
  const std::int64_t offset =
      std::clamp<std::int64_t>(std::int64_t{pixel} - origin, 0, std::int64_t{extent} - 1);
  return static_cast<std::int32_t>((2 * offset + 1) * (kAbsoluteSpan / 2) / extent);
}

// What the system makes of an absolute coordinate from 0 to 65535.
constexpr std::int32_t FromAbsolute(std::int32_t absolute, std::int32_t origin,
                                    std::int32_t extent) {
  return origin + static_cast<std::int32_t>(std::int64_t{absolute} * extent / kAbsoluteSpan);
}

}  // namespace quorvex::win32
