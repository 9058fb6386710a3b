#pragma once

#include <cstdint>

namespace quorvex {

// One overlay. Coordinates are twips (1440 to the inch), applied at once;
// the outer rectangle in screen coordinates.
class OverlayWindow {
 public:
  virtual ~OverlayWindow() = default;
  virtual void Left(double twips) = 0;
  virtual void Top(double twips) = 0;
  virtual void Width(double twips) = 0;
  virtual void Height(double twips) = 0;
  // The native handle as the user32 calls take it: 32 bits are significant.
  virtual std::uint32_t hWnd() const = 0;
  // Hiding keeps position, topmost and layered state.
  virtual void Visible(bool visible) = 0;
};

}  // namespace quorvex
