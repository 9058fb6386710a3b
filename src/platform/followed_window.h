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
  // The top-left corner of its client area in screen pixels, as it is at this
  // moment; none while no such window is shown.
  virtual std::optional<Point> ClientOrigin() = 0;
};

}  // namespace quorvex
