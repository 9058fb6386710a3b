#include "platform/win32/win32_overlay.h"

#include "platform/twips.h"

namespace quorvex::win32 {
namespace {

// The client area a new form has until it is placed.
constexpr double kInitialWidthTwips = 4560;
constexpr double kInitialHeightTwips = 3015;

constexpr UINT kKeepZOrder = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;

}  // namespace

Win32Overlay::Win32Overlay(const WindowClass& windowClass, TwipsScale scale,
                           std::function<void()> onClick, std::function<void()> onClose)
    : scale_(scale),
      onClick_(std::move(onClick)),
      onClose_(std::move(onClose)),
      width_(TwipsToPixels(kInitialWidthTwips, scale.x)),
      height_(TwipsToPixels(kInitialHeightTwips, scale.y)) {
  // Never activated: the application beneath keeps the keyboard.
  window_ = windowClass.Create({.exStyle = WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                                .style = WS_POPUP,
                                .parent = nullptr,
                                .width = width_,
                                .height = height_,
                                .text = "B"},
                               *this);
  RECT placed{};
  ::GetWindowRect(window_.get(), &placed);
  x_ = placed.left;
  y_ = placed.top;
}

void Win32Overlay::Left(double twips) {
  x_ = TwipsToPixels(twips, scale_.x);
  Move();
}

void Win32Overlay::Top(double twips) {
  y_ = TwipsToPixels(twips, scale_.y);
  Move();
}

void Win32Overlay::Width(double twips) {
  width_ = TwipsToPixels(twips, scale_.x);
  Resize();
}

void Win32Overlay::Height(double twips) {
  height_ = TwipsToPixels(twips, scale_.y);
  Resize();
}

std::uint32_t Win32Overlay::hWnd() const {
  // Window handles carry 32 significant bits, also in a 64-bit process.
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window_.get()));
}

void Win32Overlay::Visible(bool visible) {
  ::ShowWindow(window_.get(), visible ? SW_SHOWNA : SW_HIDE);
}

void Win32Overlay::AcceptInput(bool accept) {
  ::EnableWindow(window_.get(), accept ? TRUE : FALSE);
}

// A move costs a round through the window manager even when nothing changes, and a
// restore sets both coordinates while only one of them stepped aside.
void Win32Overlay::Move() {
  RECT now{};
  if (::GetWindowRect(window_.get(), &now) && now.left == x_ && now.top == y_) {
    return;
  }
  ::SetWindowPos(window_.get(), nullptr, x_, y_, 0, 0, kKeepZOrder | SWP_NOSIZE);
}

void Win32Overlay::Resize() {
  ::SetWindowPos(window_.get(), nullptr, 0, 0, width_, height_, kKeepZOrder | SWP_NOMOVE);
}

void Win32Overlay::Released(LPARAM where) {
  const POINT point{static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
  RECT client{};
  ::GetClientRect(window_.get(), &client);
  if (::PtInRect(&client, point)) {
    onClick_();
  }
}

LRESULT Win32Overlay::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
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
    default:
      return ::DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace quorvex::win32
