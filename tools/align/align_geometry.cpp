#include "align_geometry.h"

#include <algorithm>
#include <cstdlib>

namespace quorvex::align {
namespace {

std::optional<PixelRect> FirstOnScreen(std::initializer_list<PixelRect> candidates,
                                       const PixelRect& screen) {
  for (const PixelRect& candidate : candidates) {
    if (screen.Contains(candidate)) {
      return candidate;
    }
  }
  return std::nullopt;
}

}  // namespace

PixelRect FromCorners(PixelPoint a, PixelPoint b) {
  return {std::min(a.x, b.x), std::min(a.y, b.y), std::abs(a.x - b.x) + 1, std::abs(a.y - b.y) + 1};
}

PixelRect Shrink(const PixelRect& rect, int rim) {
  return {rect.x + rim, rect.y + rim, rect.width - 2 * rim, rect.height - 2 * rim};
}

PixelPoint Centre(const PixelRect& rect) {
  return {rect.x + rect.width / 2, rect.y + rect.height / 2};
}

std::optional<PixelRect> PlaceOutlineLabel(const PixelRect& anchor, PixelSize size,
                                           const PixelRect& screen) {
  const int gap = kOutlineThickness + 1;
  const PixelRect above{anchor.x, anchor.y - size.height - 1, size.width, size.height};
  const PixelRect inside{anchor.x + gap, anchor.y + gap, size.width, size.height};
  const PixelRect below{anchor.x, anchor.y + anchor.height + 1, size.width, size.height};
  if (screen.Contains(above)) {
    return above;
  }
  if (Shrink(anchor, gap).Contains(inside) && screen.Contains(inside)) {
    return inside;
  }
  return FirstOnScreen({below}, screen);
}

std::optional<PixelRect> PlaceCrossLabel(const PixelRect& cross, PixelSize size,
                                         const PixelRect& screen) {
  // Beside the cross's box, level with its point: right and below first.
  const PixelPoint centre = Centre(cross);
  const int right = cross.x + cross.width + 1;
  const int left = cross.x - size.width - 1;
  const int below = centre.y + 2;
  const int above = centre.y - size.height - 2;
  return FirstOnScreen({{right, below, size.width, size.height},
                        {left, below, size.width, size.height},
                        {right, above, size.width, size.height},
                        {left, above, size.width, size.height}},
                       screen);
}

namespace {

void AddOutline(Drawing& drawing, const PixelRect& rect, std::string text, PixelSize size,
                const PixelRect& screen) {
  if (rect.Empty()) {
    return;
  }
  constexpr int t = kOutlineThickness;
  if (rect.width <= 2 * t || rect.height <= 2 * t) {
    drawing.strokes.push_back(rect);
  } else {
    drawing.strokes.push_back({rect.x, rect.y, rect.width, t});
    drawing.strokes.push_back({rect.x, rect.y + rect.height - t, rect.width, t});
    drawing.strokes.push_back({rect.x, rect.y + t, t, rect.height - 2 * t});
    drawing.strokes.push_back({rect.x + rect.width - t, rect.y + t, t, rect.height - 2 * t});
  }
  if (const auto place = PlaceOutlineLabel(rect, size, screen)) {
    drawing.labels.push_back({std::move(text), *place});
  }
}

void AddCross(Drawing& drawing, PixelPoint point, std::string text, PixelSize size,
              const PixelRect& screen) {
  constexpr int arm = kCrossArm;
  drawing.strokes.push_back({point.x - arm, point.y, 2 * arm + 1, 1});
  drawing.strokes.push_back({point.x, point.y - arm, 1, 2 * arm + 1});
  const PixelRect box{point.x - arm, point.y - arm, 2 * arm + 1, 2 * arm + 1};
  if (const auto place = PlaceCrossLabel(box, size, screen)) {
    drawing.labels.push_back({std::move(text), *place});
  }
}

}  // namespace

Drawing Plan(const SettingsRecord& settings, TwipsScale scale, const PixelRect& screen,
             const std::function<PixelSize(const std::string&)>& measure, PixelPoint origin) {
  Drawing drawing;
  for (const int number : {1, 2}) {
    std::string text = "overlay " + std::to_string(number);
    const PixelSize size = measure(text);
    AddOutline(drawing, OverlayPixels(settings, number, scale, origin), std::move(text), size,
               screen);
  }
  for (const ClickPoint& click : ClickPoints(settings, origin)) {
    std::string text = click.code;
    const PixelSize size = measure(text);
    AddCross(drawing, click.point, std::move(text), size, screen);
  }
  return drawing;
}

}  // namespace quorvex::align
