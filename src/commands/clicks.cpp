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

}  // namespace

bool CoversAtTopEdge(int left, int width, int height, Point point) {
  return point.x >= left && point.x < left + width && point.y >= 0 && point.y < height;
}

Clicks::Target Clicks::TargetOf(Kind kind) const {
  const SettingsRecord& s = settings_;
  switch (kind) {
    case Kind::kStart:
      return {
          &platform_.frmMain, &platform_.Timer1, {s.PL, s.PT, s.FW, s.FH}, {s.STRX, s.STRY}, "10"};
    case Kind::kStart2:
      return {&platform_.frmTwo,
              &platform_.Timer2,
              {s.PL2, s.PT2, s.FW2, s.FH2},
              {s.STRX2, s.STRY2},
              "30"};
    case Kind::kStop:
      break;
  }
  return {nullptr, nullptr, {}, {s.STPX, s.STPY}, "20"};
}

void Clicks::Add(Kind kind) {
  waiting_.push_back({.kind = kind, .deadline = std::nullopt});
  if (waiting_.size() == 1) {
    Drain();
  }
}

// Only the first waiting click steps its overlay aside: the ones behind it may not
// be made at all.
void Clicks::Drain() {
  while (!waiting_.empty()) {
    Pending& next = waiting_.front();
    const Target target = TargetOf(next.kind);
    const auto now = platform_.toolkit.Now();
    if (next.deadline && now >= *next.deadline) {
      const Pending lost = next;
      waiting_.pop_front();
      Abandon(lost);
      continue;
    }
    if (target.overlay != nullptr && !next.aside) {
      TwipsRect aside = target.home;
      aside.top = AsideTop(platform_.toolkit, target.home, target.point);
      target.overlay->Place(aside);
      next.aside = true;
    }
    if (!platform_.pointer.Click(target.point)) {
      if (!next.deadline) {
        next.deadline = now + kPatience;
      }
      if (!platform_.Timer3.Enabled()) {
        platform_.Timer3.Enabled(true);
      }
      return;
    }
    waiting_.pop_front();
    if (target.restore != nullptr) {
      target.restore->Enabled(true);
    }
  }
  if (platform_.Timer3.Enabled()) {
    platform_.Timer3.Enabled(false);
  }
}

// Its overlay goes back as after a click, on its restore timer.
void Clicks::Abandon(const Pending& pending) {
  const Target target = TargetOf(pending.kind);
  platform_.toolkit.Notice("Code \"" + std::string(target.code) + "\": the click at " +
                           std::to_string(target.point.x) + "," + std::to_string(target.point.y) +
                           " was not made; for " + std::to_string(kPatience.count()) +
                           " ms a button was held or another program held the pointer.");
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
  if (platform_.Timer3.Enabled()) {
    platform_.Timer3.Enabled(false);
  }
}

bool Clicks::Aside(const Overlay& overlay) const {
  for (const Kind kind : {Kind::kStart, Kind::kStart2}) {
    const Target target = TargetOf(kind);
    if (target.overlay == &overlay &&
        (target.restore->Enabled() ||
         (!waiting_.empty() && waiting_.front().kind == kind && waiting_.front().aside))) {
      return true;
    }
  }
  return false;
}

void Clicks::Timer3_Timer() {
  Drain();
}

// Left as well as Top: a Left changed meanwhile goes back too. An overlay still aside
// for a waiting click stays there until that click is made or dropped.
void Clicks::PutBack(Overlay& overlay, Timer& restore, Kind kind, const TwipsRect& home) {
  if (waiting_.empty() || waiting_.front().kind != kind || !waiting_.front().aside) {
    overlay.Place(home);
  }
  restore.Enabled(false);
}

void Clicks::Timer1_Timer() {
  const Target t = TargetOf(Kind::kStart);
  PutBack(*t.overlay, *t.restore, Kind::kStart, t.home);
}

void Clicks::Timer2_Timer() {
  const Target t = TargetOf(Kind::kStart2);
  PutBack(*t.overlay, *t.restore, Kind::kStart2, t.home);
}

}  // namespace quorvex
