// Screen geometry of a settings file, in pixels, as the program will place and click it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/settings.h"
#include "commands/layout.h"

namespace quorvex::align {

// The rectangle between two corner pixels given in either order, both included.
PixelRect FromCorners(PixelPoint a, PixelPoint b);
// `rim` pixels off every side.
PixelRect Shrink(const PixelRect& rect, int rim);
// Whole pixels, rounded down.
PixelPoint Centre(const PixelRect& rect);

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
