#include "commands/clicks.h"

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

void StepAsideAndClick(const Platform& p, Overlay& overlay, Timer& restore, TwipsRect home,
                       Point point) {
  home.top = AsideTop(p.toolkit, home, point);
  overlay.Place(home);
  p.pointer.Click(point);
  restore.Enabled(true);
}

// Left as well as Top: a Left changed meanwhile goes back too.
void PutBack(Overlay& overlay, Timer& restore, const TwipsRect& home) {
  overlay.Place(home);
  restore.Enabled(false);
}

}  // namespace

bool CoversAtTopEdge(int left, int width, int height, Point point) {
  return point.x >= left && point.x < left + width && point.y >= 0 && point.y < height;
}

void ClickStart(const Platform& p, const SettingsRecord& s) {
  StepAsideAndClick(p, p.frmMain, p.Timer1, {s.PL, s.PT, s.FW, s.FH}, {s.STRX, s.STRY});
}

void ClickStop(const Platform& p, const SettingsRecord& s) {
  p.pointer.Click({s.STPX, s.STPY});
}

void ClickStart2(const Platform& p, const SettingsRecord& s) {
  StepAsideAndClick(p, p.frmTwo, p.Timer2, {s.PL2, s.PT2, s.FW2, s.FH2}, {s.STRX2, s.STRY2});
}

void Timer1_Timer(const Platform& p, const SettingsRecord& s) {
  PutBack(p.frmMain, p.Timer1, {s.PL, s.PT, s.FW, s.FH});
}

void Timer2_Timer(const Platform& p, const SettingsRecord& s) {
  PutBack(p.frmTwo, p.Timer2, {s.PL2, s.PT2, s.FW2, s.FH2});
}

}  // namespace quorvex
