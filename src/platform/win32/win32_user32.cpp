#include "platform/win32/win32_user32.h"

#include <vector>

#include "platform/win32/win32_api.h"

namespace quorvex::win32 {
namespace {

// A 32-bit handle widens with its sign, as the system's own LongToHandle does;
// so does -1, HWND_TOPMOST.
HWND ToHwnd(std::int64_t value) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
}

}  // namespace

bool Win32User32::SetWindowPos(std::uint32_t hWnd, std::int32_t hWndInsertAfter, std::int32_t x,
                               std::int32_t y, std::int32_t cx, std::int32_t cy,
                               std::uint32_t flags) {
  return ::SetWindowPos(ToHwnd(hWnd), ToHwnd(hWndInsertAfter), x, y, cx, cy, flags) != FALSE;
}

std::int32_t Win32User32::GetWindowLongA(std::uint32_t hWnd, std::int32_t index) {
  return ::GetWindowLongA(ToHwnd(hWnd), index);
}

std::int32_t Win32User32::SetWindowLongA(std::uint32_t hWnd, std::int32_t index,
                                         std::int32_t value) {
  return ::SetWindowLongA(ToHwnd(hWnd), index, value);
}

bool Win32User32::SetLayeredWindowAttributes(std::uint32_t hWnd, std::uint32_t colorKey,
                                             std::uint8_t alpha, std::uint32_t flags) {
  return ::SetLayeredWindowAttributes(ToHwnd(hWnd), colorKey, alpha, flags) != FALSE;
}

bool Win32User32::GetCursorPos(Point& point) {
  POINT where{};
  const bool got = ::GetCursorPos(&where) != FALSE;
  point = {.x = where.x, .y = where.y};
  return got;
}

bool Win32User32::SetCursorPos(std::int32_t x, std::int32_t y) {
  return ::SetCursorPos(x, y) != FALSE;
}

std::int32_t Win32User32::GetSystemMetrics(std::int32_t index) {
  return ::GetSystemMetrics(index);
}

std::uint32_t Win32User32::SendInput(std::span<const MouseInput> inputs) {
  std::vector<INPUT> native(inputs.size());
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    native[i].type = INPUT_MOUSE;
    native[i].mi = MOUSEINPUT{.dx = inputs[i].dx,
                              .dy = inputs[i].dy,
                              .mouseData = inputs[i].mouseData,
                              .dwFlags = inputs[i].dwFlags,
                              .time = inputs[i].time,
                              .dwExtraInfo = inputs[i].dwExtraInfo};
  }
  return ::SendInput(static_cast<UINT>(native.size()), native.data(), sizeof(INPUT));
}

}  // namespace quorvex::win32
