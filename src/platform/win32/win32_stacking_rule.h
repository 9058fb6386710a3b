// Where an overlay belongs among the top-level windows on Windows, decided from what
// is known of each window alone: no system call, so it is tested on any platform.
#pragma once

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quorvex::win32 {

struct ScreenBox {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// A top-level window as the stacking sees it.
struct StackedWindow {
  std::string className;
  bool overlay = false;     // one of this or another Quorvex's overlays
  bool ownProcess = false;  // this program's own, such as its message box
  bool shown = false;       // visible, not minimised and not cloaked
  bool owned = false;       // it has an owner window: another window's pop-up
  bool topmost = false;
  ScreenBox box;
};

// What a window above an overlay means to a re-raise.
enum class Above {
  kIgnored,     // not in the way: not shown, elsewhere on the screen, or an overlay
  kLeftAbove,   // a pop-up the operator must reach: a re-raise stays beneath it
  kRaisedOver,  // it covers the overlay: a re-raise goes above it
};

inline bool Overlap(const ScreenBox& a, const ScreenBox& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Menus, drop-down lists, tooltips and a menu's shadow; class names are compared as
// Windows does, whatever their case.
inline bool IsPopUpClass(std::string_view name) {
  constexpr std::array<std::string_view, 4> kPopUps{"#32768", "ComboLBox", "tooltips_class32",
                                                    "SysShadow"};
  const auto same = [name](std::string_view popUp) {
    return std::ranges::equal(name, popUp, [](char a, char b) {
      return std::tolower(static_cast<unsigned char>(a)) ==
             std::tolower(static_cast<unsigned char>(b));
    });
  };
  return std::ranges::any_of(kPopUps, same);
}

inline Above Judge(const StackedWindow& window, const ScreenBox& overlay) {
  if (!window.shown || window.overlay || !Overlap(window.box, overlay)) {
    return Above::kIgnored;
  }
  if (window.ownProcess || window.owned || IsPopUpClass(window.className)) {
    return Above::kLeftAbove;
  }
  return Above::kRaisedOver;
}

// A re-raise: into the topmost band or out of it, and directly beneath the window
// `beneath` (an index into the z-order), or at the top of the band when none.
struct Placing {
  bool topmost = true;
  std::optional<std::size_t> beneath;
  friend bool operator==(const Placing&, const Placing&) = default;
};

// `zOrder` holds the top-level windows from the top down, at least as far as the
// overlay and the followed window. Without `followed` the overlay is topmost, above
// every window that covers it but beneath the pop-ups over those; with it, directly
// above the followed window and in its band, with only overlays between them. Hidden,
// it is placed all the same, to come up in its place. None when it stands where it
// should.
inline std::optional<Placing> Restack(std::span<const StackedWindow> zOrder, std::size_t overlay,
                                      std::optional<std::size_t> followed) {
  const StackedWindow& me = zOrder[overlay];
  if (followed) {
    const std::size_t at = *followed;
    const bool band = zOrder[at].topmost;
    bool inPlace = overlay < at && me.topmost == band;
    for (std::size_t i = overlay + 1; inPlace && i < at; ++i) {
      inPlace = !zOrder[i].shown || zOrder[i].overlay;
    }
    if (inPlace) {
      return std::nullopt;
    }
    std::optional<std::size_t> beneath;
    for (std::size_t i = at; i-- > 0;) {
      if (i != overlay) {
        beneath = i;
        break;
      }
    }
    // The window above the followed one may be in the band above it.
    if (beneath && zOrder[*beneath].topmost != band) {
      beneath.reset();
    }
    return Placing{band, beneath};
  }
  std::optional<std::size_t> highest;
  std::optional<std::size_t> popUp;
  for (std::size_t i = overlay; i-- > 0;) {
    const Above above = Judge(zOrder[i], me.box);
    if (above == Above::kLeftAbove) {
      popUp = i;  // what covers it from above a pop-up is left: never a pop-up covered
      break;
    }
    if (above == Above::kRaisedOver) {
      highest = i;
    }
  }
  const auto higher = [](std::size_t i) { return i > 0 ? std::optional(i - 1) : std::nullopt; };
  std::optional<std::size_t> beneath;
  if (highest) {
    beneath = higher(*highest);
  } else if (!me.topmost) {
    beneath = popUp;
  } else {
    return std::nullopt;
  }
  // Topmost windows come first: beneath the lowest of them at most.
  while (beneath && !zOrder[*beneath].topmost) {
    beneath = higher(*beneath);
  }
  return Placing{true, beneath};
}

}  // namespace quorvex::win32
