// Where the overlays belong, and whether they are up. Without WINDOW every position is
// a screen position and the screen is always there. With WINDOW positions count from
// the application's window's client area, and while no such window is shown there is
// nothing to cover: both overlays are down and the controller's clicks press nothing.
#pragma once

#include <optional>

#include "common/log.h"
#include "common/settings_record.h"
#include "platform/host.h"

namespace quorvex {

class Placement {
 public:
  Placement(const Platform& platform, const SettingsRecord& settings, Log& log)
      : platform_(platform), settings_(settings), log_(log) {}

  // Once the settings are read: starts following the window WINDOW names, if any.
  void Begin();
  // Whether positions count from the application's window (WINDOW).
  bool Follows() const { return follows_; }
  // Where positions count from at this moment: the screen's corner without WINDOW,
  // none while the window is absent.
  std::optional<Point> OriginNow();

  // An overlay's rectangle from the settings, moved by `origin`.
  TwipsRect Home(const Overlay& overlay, Point origin) const;
  // Where it belongs now; its settings' rectangle while the window is absent.
  TwipsRect Home(const Overlay& overlay) const;
  Point Moved(Point point, Point origin) const { return {point.x + origin.x, point.y + origin.y}; }

  // Shown or hidden as start-up or the controller asks ("40", "50"); an overlay comes
  // up only while its window is there, and as last asked when the window comes back.
  void Show(Overlay& overlay, bool shown);
  // Out of the way of a click: at `rect`, where the window's moves leave it, until
  // PutBack places it at its home again.
  void StepAside(Overlay& overlay, const TwipsRect& rect);
  void PutBack(Overlay& overlay);
  bool Aside(const Overlay& overlay) const;
  // The overlay that is up at `point` in its place (not aside), if any: a click there
  // would be caught by it as the operator's.
  const Overlay* OverlayAt(Point point) const;

  // The window appeared, moved or went: the overlays follow. One stepped aside for a
  // click stays aside until its timer puts it back, at the new place.
  void WindowMoved();
  // Said to the operator when a code has nothing to press.
  void NothingPressed(std::string_view code) const;

  const Platform& platform() const { return platform_; }
  const SettingsRecord& settings() const { return settings_; }
  Log& log() const { return log_; }

 private:
  struct State {
    bool wanted = false;  // shown as last asked
    bool aside = false;   // stepped aside for a click
  };
  State& StateOf(const Overlay& overlay);
  const State& StateOf(const Overlay& overlay) const;

  const Platform& platform_;
  const SettingsRecord& settings_;
  Log& log_;
  bool follows_ = false;
  std::optional<Point> origin_{Point{}};  // where the overlays were last placed from
  State main_;
  State two_;
};

}  // namespace quorvex
