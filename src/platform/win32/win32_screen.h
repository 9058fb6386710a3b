// The screen's scale, for twips.
#pragma once

namespace quorvex::win32 {

// Twips per screen pixel, across and down: 1440 / the screen's logical DPI.
struct TwipsScale {
  double x = 15.0;
  double y = 15.0;
};

TwipsScale ScreenTwipsScale();

}  // namespace quorvex::win32
