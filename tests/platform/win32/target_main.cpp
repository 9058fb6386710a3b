// A stand-in for the application beneath the overlays: a borderless window at the
// given screen point with three buttons, A, B and C, side by side. It prints
//   button NAME LEFT TOP RIGHT BOTTOM    once for each, in screen pixels, then "ready"
//   click NAME                           for every click a button receives
//   point X Y                            for every left press beside the buttons, on the screen
// Usage: target X Y [topmost]   (topmost: always on top itself, as operator panels often are)
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/win32/win32_api.h"

#include <windowsx.h>

namespace {

constexpr std::array<char, 3> kButtons{'A', 'B', 'C'};
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 60;
constexpr int kGap = 60;
constexpr int kMargin = 20;

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    std::printf("click %c\n", static_cast<char>(LOWORD(wParam)));
    std::fflush(stdout);
    return 0;
  }
  if (message == WM_LBUTTONDOWN) {
    POINT where{.x = GET_X_LPARAM(lParam), .y = GET_Y_LPARAM(lParam)};
    ::ClientToScreen(window, &where);
    std::printf("point %ld %ld\n", where.x, where.y);
    std::fflush(stdout);
    return 0;
  }
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  const int x = argc > 2 ? std::atoi(argv[1]) : 100;
  const int y = argc > 2 ? std::atoi(argv[2]) : 100;
  const HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSA description{};
  description.lpfnWndProc = TargetProc;
  description.hInstance = instance;
  description.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  description.lpszClassName = "QuorvexTestTarget";
  ::RegisterClassA(&description);
  const int width = kMargin + static_cast<int>(kButtons.size()) * (kButtonWidth + kGap);
  const bool topmost = argc > 3 && std::string_view(argv[3]) == "topmost";
  const HWND window = ::CreateWindowExA(
      topmost ? WS_EX_TOPMOST : 0, description.lpszClassName, "Target", WS_POPUP | WS_VISIBLE, x, y,
      width, kButtonHeight + 2 * kMargin, nullptr, nullptr, instance, nullptr);
  for (std::size_t i = 0; i < kButtons.size(); ++i) {
    const char name[2] = {kButtons[i], '\0'};
    const HWND button = ::CreateWindowExA(
        0, "BUTTON", name, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
        kMargin + static_cast<int>(i) * (kButtonWidth + kGap), kMargin, kButtonWidth, kButtonHeight,
        window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtons[i])), instance, nullptr);
    RECT r{};
    ::GetWindowRect(button, &r);
    std::printf("button %c %ld %ld %ld %ld\n", kButtons[i], r.left, r.top, r.right, r.bottom);
  }
  std::printf("ready\n");
  std::fflush(stdout);
  MSG message{};
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return 0;
}
