#include "platform/win32/win32_pointer.h"

#include "platform/win32/win32_absolute.h"

namespace quorvex::win32 {
namespace {

bool Held(int key) {
  return (::GetAsyncKeyState(key) & 0x8000) != 0;
}

// Buttons held, or a window of the foreground thread that captured the mouse (a
// drag, a menu), would take the press.
bool Busy() {
  if (Held(VK_LBUTTON) || Held(VK_RBUTTON) || Held(VK_MBUTTON)) {
    return true;
  }
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return ::GetGUIThreadInfo(0, &info) && info.hwndCapture != nullptr;
}

POINT Absolute(POINT pixel) {
  return {ToAbsolute(pixel.x, ::GetSystemMetrics(SM_XVIRTUALSCREEN),
                     ::GetSystemMetrics(SM_CXVIRTUALSCREEN)),
          ToAbsolute(pixel.y, ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                     ::GetSystemMetrics(SM_CYVIRTUALSCREEN))};
}

}  // namespace

std::array<INPUT, 3> ClickBatch(POINT at, const POINT* back, bool swapped) {
  constexpr DWORD kAt = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
  std::array<INPUT, 3> batch{};
  for (INPUT& input : batch) {
    input.type = INPUT_MOUSE;
    input.mi.dx = at.x;
    input.mi.dy = at.y;
    input.mi.dwExtraInfo = kClickTag;
  }
  batch[0].mi.dwFlags = kAt | (swapped ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
  batch[1].mi.dwFlags = kAt | (swapped ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
  if (back != nullptr) {
    batch[2].mi.dx = back->x;
    batch[2].mi.dy = back->y;
    batch[2].mi.dwFlags = kAt;
  }
  return batch;
}

// The cursor goes back only when its place could be read: on the secure desktop or
// in a disconnected session it cannot, and 0,0 would be no better.
bool Win32Pointer::Click(Point at) {
  if (Busy()) {
    return false;
  }
  POINT saved{};
  const bool read = ::GetCursorPos(&saved) != FALSE;
  const POINT back = Absolute(saved);
  const std::array<INPUT, 3> batch = ClickBatch(Absolute({at.x, at.y}), read ? &back : nullptr,
                                                ::GetSystemMetrics(SM_SWAPBUTTON) != 0);
  const UINT count = read ? 3 : 2;
  ::SendInput(count, const_cast<INPUT*>(batch.data()), sizeof(INPUT));
  return true;
}

}  // namespace quorvex::win32
