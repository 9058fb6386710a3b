#pragma once

#include <cmath>

namespace quorvex {

constexpr double kTwipsPerInch = 1440.0;

constexpr double TwipsPerPixel(double dotsPerInch) {
  return kTwipsPerInch / dotsPerInch;
}

inline int TwipsToPixels(double twips, double twipsPerPixel) {
  return static_cast<int>(std::lround(twips / twipsPerPixel));
}

}  // namespace quorvex
