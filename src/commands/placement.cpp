#include "commands/placement.h"

#include <string>

#include "common/failure.h"
#include "common/twips.h"
#include "common/window_title.h"

namespace quorvex {

void Placement::Begin() {
  const std::string_view part = TitlePart(settings_.WINDOW);
  follows_ = !part.empty();
  if (follows_) {
    platform_.window.Follow(part);
    origin_ = platform_.window.ClientOrigin();
  }
}

std::optional<Point> Placement::OriginNow() {
  return follows_ ? platform_.window.ClientOriginNow() : std::optional(Point{});
}

TwipsRect Placement::Home(const Overlay& overlay, Point origin) const {
  const SettingsRecord& s = settings_;
  TwipsRect rect = &overlay == &platform_.frmMain ? TwipsRect{s.PL, s.PT, s.FW, s.FH}
                                                  : TwipsRect{s.PL2, s.PT2, s.FW2, s.FH2};
  rect.left =
      static_cast<int>(OffsetTwips(rect.left, origin.x, platform_.toolkit.TwipsPerPixelX()));
  rect.top = static_cast<int>(OffsetTwips(rect.top, origin.y, platform_.toolkit.TwipsPerPixelY()));
  return rect;
}

TwipsRect Placement::Home(const Overlay& overlay) const {
  return Home(overlay, origin_.value_or(Point{}));
}

void Placement::Show(Overlay& overlay, bool shown) {
  StateOf(overlay).wanted = shown;
  overlay.Show(shown && origin_.has_value());
}

void Placement::WindowMoved() {
  if (!follows_) {
    return;
  }
  const std::optional<Point> now = platform_.window.ClientOrigin();
  if (now == origin_) {
    return;
  }
  const bool cameBack = now && !origin_;
  origin_ = now;
  for (Overlay* overlay : {&platform_.frmMain, &platform_.frmTwo}) {
    if (!origin_) {
      overlay->Show(false);
      continue;
    }
    if (!Aside(*overlay)) {
      overlay->Follow(Home(*overlay));
    }
    if (cameBack && StateOf(*overlay).wanted) {
      overlay->Show(true);
    }
  }
}

void Placement::NothingPressed(std::string_view code) const {
  platform_.toolkit.Notice("Code " + std::string(code) +
                           " pressed nothing: no window whose title holds \"" +
                           Printable(TitlePart(settings_.WINDOW)) + "\" is shown.");
}

void Placement::StepAside(Overlay& overlay, const TwipsRect& rect) {
  StateOf(overlay).aside = true;
  overlay.Place(rect);
}

void Placement::PutBack(Overlay& overlay) {
  StateOf(overlay).aside = false;
  overlay.Place(Home(overlay));
}

bool Placement::Aside(const Overlay& overlay) const {
  return StateOf(overlay).aside;
}

const Overlay* Placement::OverlayAt(Point point) const {
  const double across = platform_.toolkit.TwipsPerPixelX();
  const double down = platform_.toolkit.TwipsPerPixelY();
  for (const Overlay* overlay : {&platform_.frmMain, &platform_.frmTwo}) {
    const State& state = StateOf(*overlay);
    if (!state.wanted || state.aside || !origin_) {
      continue;
    }
    const TwipsRect home = Home(*overlay);
    const int left = TwipsToPixels(home.left, across);
    const int top = TwipsToPixels(home.top, down);
    if (point.x >= left && point.x < left + TwipsToPixels(home.width, across) && point.y >= top &&
        point.y < top + TwipsToPixels(home.height, down)) {
      return overlay;
    }
  }
  return nullptr;
}

Placement::State& Placement::StateOf(const Overlay& overlay) {
  return &overlay == &platform_.frmMain ? main_ : two_;
}

const Placement::State& Placement::StateOf(const Overlay& overlay) const {
  return &overlay == &platform_.frmMain ? main_ : two_;
}

}  // namespace quorvex
