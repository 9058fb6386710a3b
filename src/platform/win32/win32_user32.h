#pragma once

#include "platform/user32.h"

namespace quorvex::win32 {

// The calls made for real, with the values given.
class Win32User32 final : public User32 {
 public:
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
};

}  // namespace quorvex::win32
