// The operating-system calls of the logic, with the Windows signatures and values.
#pragma once

#include <cstdint>
#include <span>

namespace quorvex {

// Spelled apart from <windows.h>'s macros of the same meaning.
namespace user32 {
constexpr std::int32_t kHwndTopmost = -1;
constexpr std::uint32_t kSwpNoSize = 0x0001;
constexpr std::uint32_t kSwpNoMove = 0x0002;
constexpr std::uint32_t kSwpNoActivate = 0x0010;
constexpr std::int32_t kGwlExStyle = -20;
constexpr std::int32_t kWsExLayered = 0x80000;
constexpr std::uint32_t kLwaAlpha = 0x2;
constexpr std::uint32_t kMouseEventMove = 0x0001;
constexpr std::uint32_t kMouseEventLeftDown = 0x0002;
constexpr std::uint32_t kMouseEventLeftUp = 0x0004;
constexpr std::uint32_t kMouseEventVirtualDesk = 0x4000;
constexpr std::uint32_t kMouseEventAbsolute = 0x8000;
constexpr std::int32_t kSmXVirtualScreen = 76;
constexpr std::int32_t kSmYVirtualScreen = 77;
constexpr std::int32_t kSmCxVirtualScreen = 78;
constexpr std::int32_t kSmCyVirtualScreen = 79;
}  // namespace user32

// SendInput's MOUSEINPUT.
struct MouseInput {
  std::int32_t dx = 0;
  std::int32_t dy = 0;
  std::uint32_t mouseData = 0;
  std::uint32_t dwFlags = 0;
  std::uint32_t time = 0;
  std::uintptr_t dwExtraInfo = 0;
};

struct Point {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

class User32 {
 public:
  virtual ~User32() = default;
  virtual bool SetWindowPos(std::uint32_t hWnd, std::int32_t hWndInsertAfter, std::int32_t x,
                            std::int32_t y, std::int32_t cx, std::int32_t cy,
                            std::uint32_t flags) = 0;
  virtual std::int32_t GetWindowLongA(std::uint32_t hWnd, std::int32_t index) = 0;
  virtual std::int32_t SetWindowLongA(std::uint32_t hWnd, std::int32_t index,
                                      std::int32_t value) = 0;
  virtual bool SetLayeredWindowAttributes(std::uint32_t hWnd, std::uint32_t colorKey,
                                          std::uint8_t alpha, std::uint32_t flags) = 0;
  virtual bool GetCursorPos(Point& point) = 0;
  virtual bool SetCursorPos(std::int32_t x, std::int32_t y) = 0;
  virtual std::int32_t GetSystemMetrics(std::int32_t index) = 0;
  // Mouse inputs only, in one go; how many were inserted.
  virtual std::uint32_t SendInput(std::span<const MouseInput> inputs) = 0;
};

}  // namespace quorvex
