// Where the overlays stand among other windows, as a topmost window does on Windows:
// above every normal top-level window over them, also ones raised later, yet beneath
// menus, drop-down lists and tooltips (override-redirect windows), which open above
// it there too. An overlay is only ever put directly above the highest normal window
// that covers it, so override-redirect windows above that one stay above the overlay;
// other override-redirect windows, a second Quorvex's overlays among them, are never
// answered: two programs that both keep on top never fight over it.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <optional>
#include <utility>
#include <vector>

#include "common/rate_limit.h"
#include "platform/x11/x11_overlay.h"

namespace quorvex::x11 {

class X11Stacking {
 public:
  using Clock = RestackRate::Clock;

  X11Stacking(Display* display, std::vector<const X11Overlay*> overlays)
      : display_(display), overlays_(std::move(overlays)) {}

  // Something may have come over an overlay: look on a next turn, or, for an
  // overlay moved with the application's window, once the moves have stopped for
  // kStill. A move alone lets no button through (the window beneath moves with the
  // overlay), and a drag has too many moves for a look each.
  void Request(LookWhen when = LookWhen::kSoon);
  // When the requested look may run; none when none is requested.
  std::optional<Clock::time_point> Due() const;
  // Looks, and restacks what is covered, if the look is due at `now`; true if it ran.
  bool RunIfDue(Clock::time_point now);

 private:
  void Look();

  static constexpr Clock::duration kStill = std::chrono::milliseconds(100);

  Display* display_;
  std::vector<const X11Overlay*> overlays_;
  bool requested_ = false;
  std::optional<Clock::time_point> still_;  // the look once moves stop
  RestackRate rate_;
};

}  // namespace quorvex::x11
