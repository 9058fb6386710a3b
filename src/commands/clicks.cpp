#include "commands/clicks.h"

#include <string>

#include "common/twips.h"

namespace quorvex {
namespace {

// Top 0 leaves the overlay over the point when the button lies within its height of
// the top edge; it then goes wholly above the edge for this click.
int AsideTop(const Toolkit& toolkit, const TwipsRect& home, Point point) {
  const double across = toolkit.TwipsPerPixelX();
  const bool covers =
      CoversAtTopEdge(TwipsToPixels(home.left, across), TwipsToPixels(home.width, across),
                      TwipsToPixels(home.height, toolkit.TwipsPerPixelY()), point);
  return covers ? -home.height : 0;
}

// The one way a code's click is made: said in the log, then pressed.
void Press(const Placement& placement, Point point, std::string_view code) {
  placement.log().Write("code \"" + std::string(code) + "\": click at " + std::to_string(point.x) +
                        "," + std::to_string(point.y));
  placement.platform().pointer.Click(point);
}

// The window's place is asked for at this moment: a click during a move lands where
// the window is, not where it was.
void StepAsideAndClick(Placement& placement, Overlay& overlay, Timer& restore, Point point,
                       std::string_view code) {
  const std::optional<Point> origin = placement.OriginNow();
  if (!origin) {
    placement.NothingPressed(code);
    return;
  }
  const Platform& p = placement.platform();
  TwipsRect aside = placement.Home(overlay, *origin);
  point = placement.Moved(point, *origin);
  aside.top = AsideTop(p.toolkit, aside, point);
  overlay.Place(aside);
  Press(placement, point, code);
  restore.Enabled(true);
}

// Left as well as Top: a Left changed meanwhile goes back too.
void PutBack(const Placement& placement, Overlay& overlay, Timer& restore) {
  overlay.Place(placement.Home(overlay));
  restore.Enabled(false);
}

}  // namespace

bool CoversAtTopEdge(int left, int width, int height, Point point) {
  return point.x >= left && point.x < left + width && point.y >= 0 && point.y < height;
}

void ClickStart(Placement& placement) {
  const SettingsRecord& s = placement.settings();
  const Platform& p = placement.platform();
  StepAsideAndClick(placement, p.frmMain, p.Timer1, {s.STRX, s.STRY}, "10");
}

void ClickStop(Placement& placement) {
  const SettingsRecord& s = placement.settings();
  if (const std::optional<Point> origin = placement.OriginNow()) {
    Press(placement, placement.Moved({s.STPX, s.STPY}, *origin), "20");
  } else {
    placement.NothingPressed("20");
  }
}

void ClickStart2(Placement& placement) {
  const SettingsRecord& s = placement.settings();
  const Platform& p = placement.platform();
  StepAsideAndClick(placement, p.frmTwo, p.Timer2, {s.STRX2, s.STRY2}, "30");
}

void Timer1_Timer(const Placement& placement) {
  PutBack(placement, placement.platform().frmMain, placement.platform().Timer1);
}

void Timer2_Timer(const Placement& placement) {
  PutBack(placement, placement.platform().frmTwo, placement.platform().Timer2);
}

}  // namespace quorvex
