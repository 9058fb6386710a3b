#include "commands/clicks.h"

#include <string>

#include "common/quote.h"
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

std::string At(Point point) {
  return std::to_string(point.x) + "," + std::to_string(point.y);
}

std::string ClickLine(const char* code, Point point) {
  return "code \"" + std::string(code) + "\": click at " + At(point);
}

// What keeps a click from being pressed, as the log and the operator read it.
std::string Hindrance(const Press& press) {
  switch (press.result) {
    case Press::Result::kCovered:
      return "the window \"" + Printable(press.detail) + "\" lies over the application there";
    case Press::Result::kRefused:
      return press.detail.empty() ? "the system takes no input" : Printable(press.detail);
    case Press::Result::kBusy:
    case Press::Result::kPressed:
      break;
  }
  return "a button is held or another program holds the pointer";
}

std::string Waited(const std::string& why) {
  return why + " (" + std::to_string(Clicks::kPatience.count()) + " ms waited)";
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
  waiting_.push_back(
      {.kind = kind, .deadline = std::nullopt, .at = TargetOf(kind).point, .refusal = {}});
  if (waiting_.size() == 1) {
    Drain();
  }
}

// Only the click ahead steps its overlay aside: the ones behind it may not be made at
// all. The window's place is asked for at each try: a click during a move lands where
// the window is, not where it was. The cursor goes back the moment the release is
// known taken, mostly at once; the next click follows.
void Clicks::Drain() {
  const Platform& p = placement_.platform();
  while (!waiting_.empty()) {
    Pending& next = waiting_.front();
    const Target target = TargetOf(next.kind);
    const auto now = p.toolkit.Now();
    if (next.pressed) {
      const bool landed = p.pointer.Landed();
      if (!landed && now < *next.deadline) {
        break;
      }
      p.pointer.Return();
      Done(landed ? std::string() : Waited("its release was not taken"));
      continue;
    }
    if (next.deadline && now >= *next.deadline) {
      Done(Waited(Hindrance(next.refusal)));
      continue;
    }
    const std::optional<Point> origin = placement_.OriginNow();
    if (!origin) {
      placement_.NothingPressed(target.code);
      Done();
      continue;
    }
    const Point point = placement_.Moved(target.point, *origin);
    next.at = point;
    // A click nobody made must never reach the controller as the operator's.
    if (const Overlay* there = placement_.OverlayAt(point); there && there != target.overlay) {
      Done("the point lies on " + std::string(there == &p.frmMain ? "frmMain" : "frmTwo") +
           ", which would take it for the operator's");
      continue;
    }
    if (target.overlay != nullptr && !next.aside) {
      TwipsRect aside = placement_.Home(*target.overlay, *origin);
      aside.top = AsideTop(p.toolkit, aside, point);
      placement_.StepAside(*target.overlay, aside);
      next.aside = true;
    }
    next.refusal = p.pointer.Click(point, placement_.Follows());
    if (next.refusal.result == Press::Result::kPressed) {
      next.pressed = true;
      next.deadline = now + kPatience;
      if (target.restore != nullptr) {
        target.restore->Enabled(true);
      }
      continue;
    }
    if (!next.deadline) {
      next.deadline = now + kPatience;
      placement_.log().Write(ClickLine(target.code, point) + " waits: " + Hindrance(next.refusal));
    }
    break;
  }
  if (waiting_.empty() == p.Timer3.Enabled()) {
    p.Timer3.Enabled(!waiting_.empty());
  }
}

// Its overlay goes back on its restore timer, as after any click.
void Clicks::Done(const std::string& why, bool told) {
  const Pending done = waiting_.front();
  waiting_.pop_front();
  const Target target = TargetOf(done.kind);
  if (done.pressed && why.empty()) {
    placement_.log().Write(ClickLine(target.code, done.at));
  } else if (!why.empty()) {
    placement_.platform().toolkit.Notice("Code \"" + std::string(target.code) +
                                         "\": the click at " + At(done.at) +
                                         " was not made: " + why + ".");
  }
  if (done.aside && !target.restore->Enabled()) {
    target.restore->Enabled(true);
  }
  if (told && outcome_) {
    outcome_(target.code, done.pressed && why.empty());
  }
}

void Clicks::AbandonAll() {
  if (!waiting_.empty() && waiting_.front().pressed) {
    placement_.platform().pointer.Return();
  }
  while (!waiting_.empty()) {
    Done("a failure stopped every click", false);
  }
  Timer& retry = placement_.platform().Timer3;
  if (retry.Enabled()) {
    retry.Enabled(false);
  }
}

// Left as well as Top: a Left changed meanwhile goes back too. An overlay still aside
// for the click ahead stays there until that click is over.
void Clicks::PutBack(Kind kind) {
  const Target target = TargetOf(kind);
  if (waiting_.empty() || waiting_.front().kind != kind || !waiting_.front().aside) {
    placement_.PutBack(*target.overlay);
  }
  target.restore->Enabled(false);
}

}  // namespace quorvex
