// Screen geometry of a settings file, in pixels, as the program will place and click it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/settings.h"

namespace quorvex::align {

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

// The rectangle between two corner pixels given in either order, both included.
PixelRect FromCorners(PixelPoint a, PixelPoint b);
// `rim` pixels off every side.
PixelRect Shrink(const PixelRect& rect, int rim);
// Whole pixels, rounded down.
PixelPoint Centre(const PixelRect& rect);
// The pixels two rectangles share; empty when none.
PixelRect Intersection(const PixelRect& a, const PixelRect& b);

// Overlay 1 or 2 where the program places it; with WINDOW, while the window's client
// area is at `origin`.
PixelRect Overlay(const SettingsRecord& settings, int number, TwipsScale scale,
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

// Where a label of `size` goes beside `anchor` (an outline, or a cross's box) so that it
// lies wholly on `screen`, preferring outside above, then inside, then below; none when
// there is no room.
std::optional<PixelRect> PlaceOutlineLabel(const PixelRect& anchor, PixelSize size,
                                           const PixelRect& screen);
std::optional<PixelRect> PlaceCrossLabel(const PixelRect& cross, PixelSize size,
                                         const PixelRect& screen);

struct Label {
  std::string text;
  PixelRect place;
};

// What --show draws: filled rectangles (outline rings and cross arms) and labels.
struct Drawing {
  std::vector<PixelRect> strokes;
  std::vector<Label> labels;
};

constexpr int kOutlineThickness = 2;
constexpr int kCrossArm = 8;  // pixels each side of the point

// `measure` gives the size a text takes on the screen.
Drawing Plan(const SettingsRecord& settings, TwipsScale scale, const PixelRect& screen,
             const std::function<PixelSize(const std::string&)>& measure, PixelPoint origin = {});

}  // namespace quorvex::align
