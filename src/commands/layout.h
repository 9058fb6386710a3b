// Where a settings file puts the overlays and the click points, in pixels, and what an
// engineer should know of it: the program's --check and quorvex-align say the same.
#pragma once

#include <string>
#include <vector>

#include "common/settings_record.h"

namespace quorvex {

struct PixelPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

struct PixelSize {
  int width = 0;
  int height = 0;
};

// Holds the pixels x .. x + width - 1 and y .. y + height - 1; none when a side is 0 or less.
struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const PixelRect&, const PixelRect&) = default;

  bool Empty() const { return width <= 0 || height <= 0; }
  bool Contains(PixelPoint p) const {
    return !Empty() && p.x >= x && p.y >= y && p.x - x < width && p.y - y < height;
  }
  bool Contains(const PixelRect& r) const {
    return !Empty() && !r.Empty() && r.x >= x && r.y >= y && r.x - x + r.width <= width &&
           r.y - y + r.height <= height;
  }
};

// Twips per pixel across (left, width) and down (top, height).
struct TwipsScale {
  double x = 15.0;
  double y = 15.0;
};

// The pixels two rectangles share; empty when none.
PixelRect Intersection(const PixelRect& a, const PixelRect& b);

// Overlay 1 or 2 where the program places it; with WINDOW, while the window's client
// area is at `origin`.
PixelRect OverlayPixels(const SettingsRecord& settings, int number, TwipsScale scale,
                        PixelPoint origin = {});

// The click points of codes "10", "20" and "30".
struct ClickPoint {
  const char* code;
  PixelPoint point;
};
std::vector<ClickPoint> ClickPoints(const SettingsRecord& settings, PixelPoint origin = {});

// What the operator should know before trusting these settings: one sentence each,
// without the "warning: " in front.
std::vector<std::string> Warnings(const SettingsRecord& settings, TwipsScale scale,
                                  PixelPoint origin = {});

}  // namespace quorvex
