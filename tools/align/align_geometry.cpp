#include "align_geometry.h"

#include <algorithm>
#include <cstdlib>

#include "commands/clicks.h"
#include "common/twips.h"

namespace quorvex::align {
namespace {

std::string Text(PixelPoint p) {
  return std::to_string(p.x) + "," + std::to_string(p.y);
}

std::string Quoted(std::string_view code) {
  std::string quoted(1, '"');
  quoted.append(code).push_back('"');
  return quoted;
}

// What an overlay sends when it catches a click.
std::string_view RelayCode(int overlay) {
  return overlay == 1 ? "101" : "202";
}

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

PixelRect Intersection(const PixelRect& a, const PixelRect& b) {
  if (a.Empty() || b.Empty()) {
    return {};
  }
  const int left = std::max(a.x, b.x);
  const int top = std::max(a.y, b.y);
  const int right = std::min(a.x + a.width, b.x + b.width);
  const int bottom = std::min(a.y + a.height, b.y + b.height);
  if (right <= left || bottom <= top) {
    return {};
  }
  return {left, top, right - left, bottom - top};
}

PixelRect Overlay(const SettingsRecord& s, int number, TwipsScale scale, PixelPoint origin) {
  const bool first = number == 1;
  const double left = OffsetTwips(first ? s.PL : s.PL2, origin.x, scale.x);
  const double top = OffsetTwips(first ? s.PT : s.PT2, origin.y, scale.y);
  return {TwipsToPixels(left, scale.x), TwipsToPixels(top, scale.y),
          TwipsToPixels(first ? s.FW : s.FW2, scale.x),
          TwipsToPixels(first ? s.FH : s.FH2, scale.y)};
}

std::vector<ClickPoint> ClickPoints(const SettingsRecord& s, PixelPoint o) {
  return {{"10", {s.STRX + o.x, s.STRY + o.y}},
          {"20", {s.STPX + o.x, s.STPY + o.y}},
          {"30", {s.STRX2 + o.x, s.STRY2 + o.y}}};
}

std::vector<std::string> Warnings(const SettingsRecord& settings, TwipsScale scale,
                                  PixelPoint origin) {
  const PixelRect overlays[] = {Overlay(settings, 1, scale, origin),
                                Overlay(settings, 2, scale, origin)};
  const auto clicks = ClickPoints(settings, origin);
  std::vector<std::string> warnings;

  // "10" moves overlay 1 and "30" overlay 2 to the top edge; "20" moves neither.
  struct Code {
    const ClickPoint& click;
    int movesOverlay;  // 0: none
  };
  for (const Code code : {Code{clicks[0], 1}, Code{clicks[1], 0}, Code{clicks[2], 2}}) {
    for (const int overlay : {1, 2}) {
      const PixelRect& rect = overlays[overlay - 1];
      const std::string point = Quoted(code.click.code) + " point " + Text(code.click.point);
      const std::string name = "overlay " + std::to_string(overlay);
      if (overlay == code.movesOverlay) {
        const PixelPoint p = code.click.point;
        if (CoversAtTopEdge(rect.x, rect.width, rect.height, {.x = p.x, .y = p.y})) {
          warnings.push_back(
              "the " + point + " lies inside " + name +
              " even once it has stepped aside to the top edge (rows 0 to " +
              std::to_string(rect.height - 1) + "): for each " + Quoted(code.click.code) +
              " Quorvex moves " + name +
              " up off the screen instead, out of the click's way, and then puts it back");
        }
      } else if (rect.Contains(code.click.point)) {
        warnings.push_back("the " + point + " lies inside " + name + ", which stays in place for " +
                           Quoted(code.click.code) +
                           ": the click would land on the overlay and be relayed as " +
                           Quoted(RelayCode(overlay)) + " instead of reaching the application");
      }
    }
  }

  const PixelRect shared = Intersection(overlays[0], overlays[1]);
  if (!shared.Empty()) {
    warnings.push_back("overlays 1 and 2 overlap at " + Text({shared.x, shared.y}) + " (" +
                       std::to_string(shared.width) + " x " + std::to_string(shared.height) +
                       " pixels): a click there is relayed for one of them only");
  }
  return warnings;
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
    AddOutline(drawing, Overlay(settings, number, scale, origin), std::move(text), size, screen);
  }
  for (const ClickPoint& click : ClickPoints(settings, origin)) {
    std::string text = click.code;
    const PixelSize size = measure(text);
    AddCross(drawing, click.point, std::move(text), size, screen);
  }
  return drawing;
}

}  // namespace quorvex::align
