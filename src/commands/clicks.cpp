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

std::string ClickLine(const char* code, Point point) {
  return "code \"" + std::string(code) + "\": click at " + std::to_string(point.x) + "," +
         std::to_string(point.y);
}

}  // namespace

bool CoversAtTopEdge(int left, int width, int height, Point point) {
  return point.x >= left && point.x < left + width && point.y >= 0 && point.y < height;
}

Clicks::Target Clicks::TargetOf(Kind kind) const {
  const Platform& p = placement_.platform();
  const SettingsRecord& s = placement_.settings();
  switch (kind) {
    case Kind::kStart:
      return {&p.frmMain, &p.Timer1, {s.STRX, s.STRY}, "10"};
    case Kind::kStart2:
      return {&p.frmTwo, &p.Timer2, {s.STRX2, s.STRY2}, "30"};
    case Kind::kStop:
      break;
  }
  return {nullptr, nullptr, {s.STPX, s.STPY}, "20"};
}

void Clicks::Add(Kind kind) {
  waiting_.push_back({.kind = kind, .deadline = std::nullopt});
  if (waiting_.size() == 1) {
    Drain();
  }
}

// Only the first waiting click steps its overlay aside: the ones behind it may not
// be made at all. The window's place is asked for at each try: a click during a
// move lands where the window is, not where it was.
void Clicks::Drain() {
  const Platform& p = placement_.platform();
  while (!waiting_.empty()) {
    Pending& next = waiting_.front();
    const Target target = TargetOf(next.kind);
    const auto now = p.toolkit.Now();
    if (next.deadline && now >= *next.deadline) {
      const Pending lost = next;
      waiting_.pop_front();
      Abandon(lost);
      continue;
    }
    const std::optional<Point> origin = placement_.OriginNow();
    if (!origin) {
      const Pending lost = next;
      waiting_.pop_front();
      placement_.NothingPressed(target.code);
      Abandon(lost, true);
      continue;
    }
    const Point point = placement_.Moved(target.point, *origin);
    if (target.overlay != nullptr && !next.aside) {
      TwipsRect aside = placement_.Home(*target.overlay, *origin);
      aside.top = AsideTop(p.toolkit, aside, point);
      placement_.StepAside(*target.overlay, aside);
      next.aside = true;
    }
    if (!p.pointer.Click(point)) {
      if (!next.deadline) {
        next.deadline = now + kPatience;
        placement_.log().Write(ClickLine(target.code, point) + " waits: a button is held or " +
                               "another program holds the pointer");
      }
      if (!p.Timer3.Enabled()) {
        p.Timer3.Enabled(true);
      }
      return;
    }
    placement_.log().Write(ClickLine(target.code, point));
    waiting_.pop_front();
    if (target.restore != nullptr) {
      target.restore->Enabled(true);
    }
  }
  if (p.Timer3.Enabled()) {
    p.Timer3.Enabled(false);
  }
}

// Its overlay goes back as after a click, on its restore timer.
void Clicks::Abandon(const Pending& pending, bool reported) {
  const Target target = TargetOf(pending.kind);
  if (!reported) {
    placement_.platform().toolkit.Notice(
        "Code \"" + std::string(target.code) + "\": the click at " +
        std::to_string(target.point.x) + "," + std::to_string(target.point.y) +
        " was not made; for " + std::to_string(kPatience.count()) +
        " ms a button was held or another program held the pointer.");
  }
  if (pending.aside && target.restore != nullptr) {
    target.restore->Enabled(true);
  }
}

void Clicks::AbandonAll() {
  while (!waiting_.empty()) {
    const Pending lost = waiting_.front();
    waiting_.pop_front();
    Abandon(lost);
  }
  Timer& retry = placement_.platform().Timer3;
  if (retry.Enabled()) {
    retry.Enabled(false);
  }
}

void Clicks::Timer3_Timer() {
  Drain();
}

// Left as well as Top: a Left changed meanwhile goes back too. An overlay still aside
// for a waiting click stays there until that click is made or dropped.
void Clicks::PutBack(Kind kind) {
  const Target target = TargetOf(kind);
  if (waiting_.empty() || waiting_.front().kind != kind || !waiting_.front().aside) {
    placement_.PutBack(*target.overlay);
  }
  target.restore->Enabled(false);
}

void Clicks::Timer1_Timer() {
  PutBack(Kind::kStart);
}

void Clicks::Timer2_Timer() {
  PutBack(Kind::kStart2);
}

}  // namespace quorvex
