#include "platform/win32/win32_pointer.h"

#include <array>

#include "platform/win32/win32_absolute.h"
#include "platform/win32/win32_api.h"

namespace quorvex::win32 {

// The press and the release carry the point themselves, and go in one call: no
// other program's input, nor the operator's hand on the mouse, can come between the
// move and the press.
void Win32Pointer::Click(Point at) {
  POINT saved{};
  ::GetCursorPos(&saved);
  constexpr DWORD kAt = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
  const LONG dx = ToAbsolute(at.x, ::GetSystemMetrics(SM_XVIRTUALSCREEN),
                             ::GetSystemMetrics(SM_CXVIRTUALSCREEN));
  const LONG dy = ToAbsolute(at.y, ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                             ::GetSystemMetrics(SM_CYVIRTUALSCREEN));
  std::array<INPUT, 2> click{};
  for (INPUT& input : click) {
    input.type = INPUT_MOUSE;
    input.mi.dx = dx;
    input.mi.dy = dy;
  }
  click[0].mi.dwFlags = kAt | MOUSEEVENTF_LEFTDOWN;
  click[1].mi.dwFlags = kAt | MOUSEEVENTF_LEFTUP;
  ::SendInput(static_cast<UINT>(click.size()), click.data(), sizeof(INPUT));
  ::SetCursorPos(saved.x, saved.y);
}

}  // namespace quorvex::win32
