// What quorvex-align needs of the desktop; one implementation per platform
// (align_x11.cpp, align_win32.cpp).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "align_geometry.h"

namespace quorvex::align {

// An application's top-level window as WINDOW names it: its title, and where the
// top-left corner of its client area is on the screen.
struct PickedWindow {
  std::string title;  // UTF-8, or the bytes an X11 window holds
  PixelPoint origin;
};

class Desk {
 public:
  virtual ~Desk() = default;
  // Where the mouse pointer is, in screen pixels as the program clicks them.
  virtual PixelPoint Pointer() = 0;
  // As the program converts its overlays' twips on this screen.
  virtual TwipsScale Scale() = 0;
  // The part of the screen a drawing can cover.
  virtual PixelRect Screen() = 0;
  virtual PixelSize TextSize(const std::string& text) = 0;
  // The top-level window under `point` (on X11 the client window, not its frame); none
  // over the bare desktop.
  virtual std::optional<PickedWindow> WindowAt(PixelPoint point) = 0;
  // The client area's corner of the window the program follows for `titlePart`, as it
  // is now; none while no such window is shown.
  virtual std::optional<PixelPoint> WindowOrigin(std::string_view titlePart) = 0;
  // Shows `plan(origin)` above every window, taking no click, key or focus, until a line
  // or the end of standard input. Without `titlePart` the origin is the screen's corner;
  // with it, the followed window's client area: drawn again as the window moves, and
  // nothing drawn while it is absent.
  virtual void ShowUntilEnter(std::string_view titlePart,
                              const std::function<Drawing(PixelPoint)>& plan) = 0;
  // What about this desktop keeps Quorvex's clicks at `points` from landing as
  // measured (monitors at different scales, an application that runs elevated): one
  // sentence each, as Warnings words them.
  virtual std::vector<std::string> Cautions(const std::vector<PixelPoint>& /*points*/) {
    return {};
  }
};

// Throws Failure (kDisplay) when there is no desktop to reach.
std::unique_ptr<Desk> OpenDesk();

// Standard output passes bytes unchanged (CR LF stays CR LF).
void MakeOutputExact();

// Writes `text` to a new file at `path`, or over an existing one when `replace`; false,
// and the file untouched, when it exists and may not be replaced. Throws
// std::runtime_error naming the system's reason when it cannot be written.
bool WriteNewFile(const std::string& path, std::string_view text, bool replace);

}  // namespace quorvex::align
