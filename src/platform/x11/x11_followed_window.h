// The application's window on X11: the client window (the one with the title, inside
// its window manager's frame) of the highest shown top-level window whose title holds
// the WINDOW text. Found again on what the server tells: maps, unmaps, reparenting and
// property changes; followed through its frame's and its own ConfigureNotify, the
// place taken from the event as long as the frame keeps its size. Nothing is asked of
// the server while nothing happens, nor while the window is only dragged.
#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/followed_window.h"

namespace quorvex::x11 {

// The window that carries the title within `topLevel` (a frame, or the top-level itself
// without a window manager).
std::optional<Window> ClientOf(Display* display, Window topLevel);
// _NET_WM_NAME, else WM_NAME, as the bytes they hold.
std::string TitleOf(Display* display, Window client);

class X11FollowedWindow final : public FollowedWindow {
 public:
  // `ours`: the program's own windows, never followed; `changed`: raises Window_Moved.
  X11FollowedWindow(Display* display, std::function<bool(Window)> ours,
                    std::function<void()> changed);

  void Follow(std::string_view titlePart) override;
  std::optional<Point> ClientOrigin() override;
  std::optional<Point> ClientOriginNow() override;

  // The followed window's top-level (its frame under a window manager); None while
  // none is found.
  Window Frame() const { return found_ ? found_->frame : None; }
  bool Ours(Window window) const { return ours_(window); }

  // Every event the host receives; those that concern the window act. True for the
  // window's own move or resize where it stood in the stacking order: nothing came
  // over anything.
  bool Take(const XEvent& event);

 private:
  struct Found {
    Window client = None;
    Window frame = None;  // its top-level ancestor, the client itself without a manager
    Point origin;         // of the client area, on the root
    Point inFrame;        // the client area's corner from the frame's, within its border
    int frameWidth = 0;
    int frameHeight = 0;
    Window below = None;  // the sibling beneath the frame, as its last move told
  };
  bool Moved(const XConfigureEvent& event);
  void Measure();
  void Look();
  std::optional<Found> Match(Window topLevel);
  bool Shown(Window client, Window frame);
  Window TopLevelOf(Window window);
  void Watch(Window client, Window frame);

  Display* display_;
  Window root_;
  std::function<bool(Window)> ours_;
  std::function<void()> changed_;
  std::string part_;
  std::optional<Found> found_;
  Atom wmState_;
  Atom netWmState_;
  Atom hidden_;
  Atom netWmName_;
};

}  // namespace quorvex::x11
