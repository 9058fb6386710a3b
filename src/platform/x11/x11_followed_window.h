// The application's window on X11: the client window (the one with the title, inside
// its window manager's frame) of the highest shown top-level window whose title holds
// the WINDOW text. Found again on what the server tells: maps, unmaps, reparenting and
// property changes; followed through its frame's and its own ConfigureNotify. Nothing
// is asked of the server while nothing happens.
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

  // Every event the host receives; those that concern the window act.
  void Take(const XEvent& event);

 private:
  struct Found {
    Window client = None;
    Window frame = None;  // its top-level ancestor, the client itself without a manager
  };
  void Look();
  std::optional<Found> Match(Window topLevel);
  bool Shown(Window client, Window frame);
  Window TopLevelOf(Window window);
  void Watch(Window client);

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
