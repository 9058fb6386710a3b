// A stand-in for the application beneath the overlays: a borderless window at the
// given screen point with three buttons, A, B and C, side by side. It prints
//   button NAME LEFT TOP RIGHT BOTTOM    once for each, in screen pixels, then "ready"
//   click NAME                           for every click a button receives
//   point X Y                            for every left press beside the buttons, on the screen
//   release NAME X Y                     for every left release a button receives, on the screen
// Usage: target X Y [TITLE] [topmost]   (topmost: always on top itself, as operator
// panels often are)
// With a title it is a captioned window of that title, and takes lines on its input:
//   move X Y | minimise | restore        answered, once done, with "origin X Y" (its
//                                        client area's corner on the screen) or "minimised"
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/win32/win32_api.h"

#include <windowsx.h>

namespace {

constexpr std::array<char, 3> kButtons{'A', 'B', 'C'};
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 60;
constexpr int kGap = 60;
constexpr int kMargin = 20;

enum Command : UINT { kMove = WM_APP, kMinimise, kRestore };

HWND mainWindow = nullptr;
WNDPROC buttonProc = nullptr;  // the BUTTON class's own

// A button holds the mouse from its press, so the release comes to it wherever it
// lands: one outside it is a click the button never counts.
LRESULT CALLBACK ButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_LBUTTONUP) {
    POINT where{.x = GET_X_LPARAM(lParam), .y = GET_Y_LPARAM(lParam)};
    ::ClientToScreen(button, &where);
    std::printf("release %c %ld %ld\n", static_cast<char>(::GetDlgCtrlID(button)), where.x,
                where.y);
    std::fflush(stdout);
  }
  return ::CallWindowProcA(buttonProc, button, message, wParam, lParam);
}

void PrintOrigin(HWND window) {
  POINT origin{0, 0};
  ::ClientToScreen(window, &origin);
  std::printf("origin %ld %ld\n", origin.x, origin.y);
  std::fflush(stdout);
}

DWORD WINAPI ReadCommands(void*) {
  char line[128];
  while (std::fgets(line, sizeof line, stdin)) {
    int x = 0, y = 0;
    if (std::sscanf(line, "move %d %d", &x, &y) == 2) {
      ::PostMessageA(mainWindow, kMove, static_cast<WPARAM>(x), static_cast<LPARAM>(y));
    } else if (std::strncmp(line, "minimise", 8) == 0) {
      ::PostMessageA(mainWindow, kMinimise, 0, 0);
    } else if (std::strncmp(line, "restore", 7) == 0) {
      ::PostMessageA(mainWindow, kRestore, 0, 0);
    }
  }
  return 0;
}

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kMove:
      ::SetWindowPos(window, nullptr, static_cast<int>(wParam), static_cast<int>(lParam), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      PrintOrigin(window);
      return 0;
    case kMinimise:
      ::ShowWindow(window, SW_MINIMIZE);
      std::printf("minimised\n");
      std::fflush(stdout);
      return 0;
    case kRestore:
      ::ShowWindow(window, SW_RESTORE);
      PrintOrigin(window);
      return 0;
    default:
      break;
  }
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
  const bool topmost = std::string_view(argv[argc - 1]) == "topmost" && argc > 3;
  const char* title = argc > 3 && std::string_view(argv[3]) != "topmost" ? argv[3] : nullptr;
  const DWORD style = title ? WS_OVERLAPPEDWINDOW | WS_VISIBLE : WS_POPUP | WS_VISIBLE;
  RECT outer{0, 0, width, kButtonHeight + 2 * kMargin};
  ::AdjustWindowRect(&outer, style, FALSE);
  const HWND window = ::CreateWindowExA(
      topmost ? WS_EX_TOPMOST : 0, description.lpszClassName, title ? title : "Target", style, x, y,
      outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, instance, nullptr);
  mainWindow = window;
  for (std::size_t i = 0; i < kButtons.size(); ++i) {
    const char name[2] = {kButtons[i], '\0'};
    const HWND button = ::CreateWindowExA(
        0, "BUTTON", name, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
        kMargin + static_cast<int>(i) * (kButtonWidth + kGap), kMargin, kButtonWidth, kButtonHeight,
        window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtons[i])), instance, nullptr);
    buttonProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ButtonProc)));
    RECT r{};
    ::GetWindowRect(button, &r);
    std::printf("button %c %ld %ld %ld %ld\n", kButtons[i], r.left, r.top, r.right, r.bottom);
  }
  if (title) {
    PrintOrigin(window);
    ::CreateThread(nullptr, 0, ReadCommands, nullptr, 0, nullptr);
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
