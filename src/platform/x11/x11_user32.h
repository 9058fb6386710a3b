// The Windows calls of the logic, given their X11 meaning.
#pragma once

#include <X11/Xlib.h>

#include <array>
#include <map>

#include "platform/user32.h"
#include "platform/x11/x11_overlay.h"

namespace quorvex::x11 {

class X11User32 final : public User32 {
 public:
  X11User32(Display* display, std::array<X11Overlay*, 2> overlays)
      : display_(display), overlays_(overlays) {}

  bool SetWindowPos(std::uint32_t hWnd, std::int32_t hWndInsertAfter, std::int32_t x,
                    std::int32_t y, std::int32_t cx, std::int32_t cy, std::uint32_t flags) override;
  std::int32_t GetWindowLongA(std::uint32_t hWnd, std::int32_t index) override;
  std::int32_t SetWindowLongA(std::uint32_t hWnd, std::int32_t index, std::int32_t value) override;
  bool SetLayeredWindowAttributes(std::uint32_t hWnd, std::uint32_t colorKey, std::uint8_t alpha,
                                  std::uint32_t flags) override;
  bool GetCursorPos(Point& point) override;
  bool SetCursorPos(std::int32_t x, std::int32_t y) override;
  std::int32_t GetSystemMetrics(std::int32_t index) override;
  std::uint32_t SendInput(std::span<const MouseInput> inputs) override;

 private:
  X11Overlay* Find(std::uint32_t hWnd) const;

  Display* display_;
  std::array<X11Overlay*, 2> overlays_;
  std::map<std::uint32_t, std::int32_t> exStyle_;
  bool grabbed_ = false;  // the server, from a click's GetCursorPos to its SendInput
};

}  // namespace quorvex::x11
