// The mouse, as the program uses it: one click for the operator at a screen point.
#pragma once

#include <cstdint>

namespace quorvex {

// Screen pixels; negative on monitors left of or above the primary one.
struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

class Pointer {
 public:
  virtual ~Pointer() = default;
  // Presses and releases the primary button at `at` and puts the cursor back where
  // it was, with nothing of anyone else's between the move and the press. False,
  // with nothing pressed, when the click cannot be made now: a button is held, or
  // another window or program holds the pointer.
  [[nodiscard]] virtual bool Click(Point at) = 0;
};

}  // namespace quorvex
