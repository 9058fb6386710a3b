// The mouse, as the program uses it: one click for the operator at a screen point.
#pragma once

#include <cstdint>
#include <string>

namespace quorvex {

// Screen pixels; negative on monitors left of or above the primary one.
struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

// What a try at a click found.
struct Press {
  enum class Result {
    kPressed,
    kBusy,     // a button is held, or another window or program holds the pointer
    kCovered,  // another window lies over the followed one at the point
    kRefused,  // the system took none of the input
  };
  Result result = Result::kPressed;
  // kCovered: the covering window's title; kRefused: why, for the operator.
  std::string detail;
};

// A click is whole once the system has taken its release at the point: only then may
// the cursor go back, or a toolkit that clicks on the release never sees it inside its
// button. A window manager that holds the pointer at the press hands the press on, and
// takes the release, only later.
class Pointer {
 public:
  virtual ~Pointer() = default;
  // Presses and releases the primary button at `at`, with nothing of anyone else's
  // between the move and the press; the cursor stays there until Return. Nothing is
  // pressed unless the result is kPressed. `onlyFollowed`: only where the top-level
  // window at the point is the followed window (the program's own overlays aside).
  [[nodiscard]] virtual Press Click(Point at, bool onlyFollowed) = 0;
  // Whether the system has taken the release of the last click.
  [[nodiscard]] virtual bool Landed() = 0;
  // The cursor back where it was before the last click.
  virtual void Return() = 0;
};

}  // namespace quorvex
