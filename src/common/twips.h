// Twips (1440 to the inch) and pixels: the one conversion every part uses.
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

// The whole twips that TwipsToPixels turns back into `pixels`, at 1 twip per pixel or more.
inline long PixelsToTwips(int pixels, double twipsPerPixel) {
  return std::lround(pixels * twipsPerPixel);
}

// A position counted from a point `originPixels` from the screen's corner (the
// application's window's client area), as a position on the screen.
inline long OffsetTwips(long twips, int originPixels, double twipsPerPixel) {
  return twips + PixelsToTwips(originPixels, twipsPerPixel);
}

}  // namespace quorvex
