// The application's window the overlays follow when WINDOW is set.
#pragma once

#include <optional>
#include <string_view>

#include "platform/pointer.h"

namespace quorvex {

class FollowedWindow {
 public:
  virtual ~FollowedWindow() = default;
  // From now on Events::Window_Moved is raised whenever the shown top-level window
  // whose title holds `titlePart` appears, moves, is resized or goes.
  virtual void Follow(std::string_view titlePart) = 0;
  // The top-left corner of its client area in screen pixels, as the window system
  // last told it: what the overlays follow, at no cost per move; none while no such
  // window is shown.
  virtual std::optional<Point> ClientOrigin() = 0;
  // The same, asked of the window system now: a click lands where the window is, also
  // between a move and the news of it.
  virtual std::optional<Point> ClientOriginNow() = 0;
};

}  // namespace quorvex
