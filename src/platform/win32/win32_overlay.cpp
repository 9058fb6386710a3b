#include "platform/win32/win32_overlay.h"

#include "common/twips.h"
#include "platform/win32/win32_pointer.h"

namespace quorvex::win32 {
namespace {

// The client area a new form has until it is placed.
constexpr double kInitialWidthTwips = 4560;
constexpr double kInitialHeightTwips = 3015;

constexpr UINT kKeepZOrder = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;

// Amber: a held button reads as a warning, never as alignment's grey.
constexpr COLORREF kHeldFace = RGB(0xFF, 0xB0, 0x00);

}  // namespace

Win32Overlay::Win32Overlay(const WindowClass& windowClass, TwipsScale scale,
                           std::function<void(Point)> onClick, std::function<void()> onClose,
                           std::function<void()> onDisplayChange)
    : scale_(scale),
      onClick_(std::move(onClick)),
      onClose_(std::move(onClose)),
      onDisplayChange_(std::move(onDisplayChange)) {
  // Never activated: the application beneath keeps the keyboard.
  window_ = windowClass.Create({.exStyle = WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                                .style = WS_POPUP,
                                .parent = nullptr,
                                .width = TwipsToPixels(kInitialWidthTwips, scale.x),
                                .height = TwipsToPixels(kInitialHeightTwips, scale.y),
                                .text = "B"},
                               *this);
}

// A move costs a round through the window manager even when nothing changes: the
// restore after a step-aside often finds the overlay's size, or all of it, in place.
void Win32Overlay::Place(const TwipsRect& rect) {
  const int x = TwipsToPixels(rect.left, scale_.x);
  const int y = TwipsToPixels(rect.top, scale_.y);
  const int width = TwipsToPixels(rect.width, scale_.x);
  const int height = TwipsToPixels(rect.height, scale_.y);
  RECT now{};
  UINT flags = kKeepZOrder;
  if (::GetWindowRect(window_.get(), &now)) {
    flags |= (now.left == x && now.top == y ? SWP_NOMOVE : 0) |
             (now.right - now.left == width && now.bottom - now.top == height ? SWP_NOSIZE : 0);
  }
  if ((flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) {
    ::SetWindowPos(window_.get(), nullptr, x, y, width, height, flags);
  }
}

// Hidden, it may have been left behind by what was raised or followed meanwhile.
void Win32Overlay::Show(bool shown) {
  if (shown && restack_ && !::IsWindowVisible(window_.get())) {
    restack_();
  }
  ::ShowWindow(window_.get(), shown ? SW_SHOWNA : SW_HIDE);
}

void Win32Overlay::KeepOnTop() {
  if (restack_) {
    restack_();
    return;
  }
  ::SetWindowPos(window_.get(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

// The colour key is ignored: only LWA_ALPHA is given.
void Win32Overlay::Opacity(std::uint8_t alpha) {
  constexpr COLORREF kColorKey = 0xFFFF;
  const LONG style = ::GetWindowLongA(window_.get(), GWL_EXSTYLE);
  ::SetWindowLongA(window_.get(), GWL_EXSTYLE, style | WS_EX_LAYERED);
  ::SetLayeredWindowAttributes(window_.get(), kColorKey, alpha, LWA_ALPHA);
}

void Win32Overlay::Held(bool held) {
  held_ = held;
  ::InvalidateRect(window_.get(), nullptr, TRUE);
}

// The class's brush draws the face; a held one is painted over it here.
bool Win32Overlay::PaintHeld(HDC dc) {
  if (!held_) {
    return false;
  }
  RECT client{};
  ::GetClientRect(window_.get(), &client);
  const HBRUSH brush = ::CreateSolidBrush(kHeldFace);
  ::FillRect(dc, &client, brush);
  ::DeleteObject(brush);
  return true;
}

void Win32Overlay::AcceptInput(bool accept) {
  ::EnableWindow(window_.get(), accept ? TRUE : FALSE);
}

void Win32Overlay::Released(LPARAM where) {
  const POINT point{static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
  RECT client{};
  ::GetClientRect(window_.get(), &client);
  if (::PtInRect(&client, point)) {
    POINT screen = point;
    ::ClientToScreen(window_.get(), &screen);
    onClick_({screen.x, screen.y});
  }
}

LRESULT Win32Overlay::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
      // The program's own click, come late: never relayed as the operator's.
      if (FromOwnClick()) {
        return 0;
      }
      pressed_ = true;
      ::SetCapture(window);
      return 0;
    case WM_LBUTTONUP:
      if (pressed_) {
        pressed_ = false;
        ::ReleaseCapture();
        Released(lParam);
      }
      return 0;
    case WM_CAPTURECHANGED:
      pressed_ = false;
      return 0;
    case WM_MOUSEACTIVATE:
      // The application beneath keeps the keyboard.
      return MA_NOACTIVATE;
    case WM_CLOSE:
      onClose_();
      return 0;
    case WM_DISPLAYCHANGE:
      if (onDisplayChange_) {
        onDisplayChange_();
      }
      return 0;
    case WM_ERASEBKGND:
      if (PaintHeld(reinterpret_cast<HDC>(wParam))) {
        return 1;
      }
      return ::DefWindowProcA(window, message, wParam, lParam);
    default:
      return ::DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace quorvex::win32
