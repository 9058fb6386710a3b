// Where the overlays stand among other windows.
//
// Without a followed window, as a topmost window does on Windows: above every normal
// top-level window over them, also ones raised later, yet beneath menus, drop-down
// lists and tooltips (override-redirect windows), which open above it there too. An
// overlay is only ever put directly above the highest normal window that covers it, so
// override-redirect windows above that one stay above the overlay; other override-
// redirect windows, a second Quorvex's overlays among them, are never answered: two
// programs that both keep on top never fight over it.
//
// With a followed window (WINDOW, and the window found), directly above the
// application's top-level window instead: another program's window over the
// application lies over the overlays too and keeps its own clicks, and the overlays
// come back above the application whenever it is raised. Override-redirect windows
// between the two are let be, as above. Where the top-level is not among the root's
// children, or the restack above it fails, the overlays go above everything as without.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "common/rate_limit.h"
#include "platform/x11/x11_overlay.h"

namespace quorvex::x11 {

// Which of the root's `count` children, bottom to top, one overlay is to go directly
// above; none when it stands where it should. `lowest`: the overlay's lower window;
// `followed`: the followed application's top-level; `covers(i)`: child i is another
// program's normal, viewable window over the overlay.
std::optional<std::size_t> RestackAbove(std::size_t count, std::size_t lowest,
                                        std::optional<std::size_t> followed,
                                        const std::function<bool(std::size_t)>& covers);

class X11Stacking {
 public:
  using Clock = RestackRate::Clock;

  // `followed`: the followed application's top-level window, None while there is none.
  X11Stacking(Display* display, std::vector<const X11Overlay*> overlays,
              std::function<Window()> followed)
      : display_(display), overlays_(std::move(overlays)), followed_(std::move(followed)) {}

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
  bool Restack(const X11Overlay& overlay, Window sibling, bool checked);

  static constexpr Clock::duration kStill = std::chrono::milliseconds(100);

  Display* display_;
  std::vector<const X11Overlay*> overlays_;
  std::function<Window()> followed_;
  bool requested_ = false;
  std::optional<Clock::time_point> still_;  // the look once moves stop
  RestackRate rate_;
};

}  // namespace quorvex::x11
