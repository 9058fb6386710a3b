#include "commands/layout.h"

#include <algorithm>

#include "commands/clicks.h"
#include "common/twips.h"

namespace quorvex {
namespace {

std::string Text(PixelPoint p) {
  return std::to_string(p.x) + "," + std::to_string(p.y);
}

std::string Quoted(std::string_view code) {
  std::string quoted(1, '"');
  quoted.append(code).push_back('"');
  return quoted;
}

}  // namespace

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

PixelRect OverlayPixels(const SettingsRecord& s, int number, TwipsScale scale, PixelPoint origin) {
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
  const PixelRect overlays[] = {OverlayPixels(settings, 1, scale, origin),
                                OverlayPixels(settings, 2, scale, origin)};
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
                           ": the click would land on the overlay, so Quorvex presses nothing "
                           "and the code is not made");
      }
    }
  }

  for (const int overlay : {1, 2}) {
    const PixelRect& rect = overlays[overlay - 1];
    if (rect.Empty()) {
      const char* size = overlay == 1 ? "FW and FH" : "FW2 and FH2";
      warnings.push_back("overlay " + std::to_string(overlay) + " has no area (" +
                         std::to_string(rect.width) + " x " + std::to_string(rect.height) +
                         " pixels; " + size +
                         " set it): it guards nothing, and the button "
                         "beneath it takes the operator's clicks itself");
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

}  // namespace quorvex
