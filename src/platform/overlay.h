// One overlay window, in the program's words: placed, shown, kept on top, see-through.
#pragma once

#include <cstdint>

namespace quorvex {

// A window's outer rectangle in screen coordinates, in twips (1440 to the inch).
struct TwipsRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

class Overlay {
 public:
  virtual ~Overlay() = default;
  // Moves and sizes it at once; throws Failure for a size the desktop cannot take.
  virtual void Place(const TwipsRect& rect) = 0;
  // Placed anew as the application's window moved; a platform may spare what a move
  // alone does not need.
  virtual void Follow(const TwipsRect& rect) { Place(rect); }
  // Hiding keeps its place, its topmost state and its opacity.
  virtual void Show(bool shown) = 0;
  // Above every normal window, also ones raised later.
  virtual void KeepOnTop() = 0;
  // 255 opaque; 1 is practically invisible and still catches the mouse.
  virtual void Opacity(std::uint8_t alpha) = 0;
  // Drawn in a colour of its own while the line is down, unlike alignment's face.
  virtual void Held(bool held) = 0;
};

}  // namespace quorvex
