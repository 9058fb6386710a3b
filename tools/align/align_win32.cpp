// quorvex-align on Windows: a console program, DPI-unaware like quorvex.exe, so that
// pointer positions and twips per pixel are the ones the program sees.
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "align_platform.h"
#include "common/failure.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_followed_window.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_input_reach.h"
#include "platform/win32/win32_screen.h"

namespace quorvex::align {
namespace {

constexpr COLORREF kInk = RGB(255, 0, 255);
// The colour key: never drawn, and clicks go through it.
constexpr COLORREF kClear = RGB(0, 0, 0);
constexpr char kClassName[] = "QuorvexAlign.Drawing";
constexpr UINT kEnter = WM_APP + 1;
constexpr UINT_PTR kTopmostTimer = 1;
// Another topmost window raised later (quorvex.exe starting, say) is put back beneath soon.
constexpr UINT kTopmostInterval = 500;

struct FontDeleter {
  void operator()(HFONT font) const { ::DeleteObject(font); }
};
using FontPtr = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// Without smoothing: blended edges would be neither the ink nor the colour key.
FontPtr MakeFont() {
  return FontPtr(::CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                               DEFAULT_PITCH | FF_SWISS, "Arial"));
}

struct Shown {
  const std::function<Drawing(PixelPoint)>* plan;
  win32::Win32FollowedWindow* followed;  // none: the screen's corner is the origin
  PixelRect screen;
  HFONT font;
};

// None while the followed window is absent: nothing is drawn.
std::optional<Drawing> DrawingNow(const Shown& shown) {
  if (shown.followed == nullptr) {
    return (*shown.plan)({});
  }
  const std::optional<Point> origin = shown.followed->ClientOrigin();
  if (!origin) {
    return std::nullopt;
  }
  return (*shown.plan)({origin->x, origin->y});
}

RECT ToRect(const PixelRect& r, const PixelRect& screen) {
  return {r.x - screen.x, r.y - screen.y, r.x - screen.x + r.width, r.y - screen.y + r.height};
}

void Paint(HWND window, const Shown& shown) {
  PAINTSTRUCT paint{};
  const HDC dc = ::BeginPaint(window, &paint);
  const HBRUSH clear = ::CreateSolidBrush(kClear);
  const HBRUSH ink = ::CreateSolidBrush(kInk);
  RECT all{};
  ::GetClientRect(window, &all);
  ::FillRect(dc, &all, clear);
  const Drawing drawing = DrawingNow(shown).value_or(Drawing{});
  for (const PixelRect& stroke : drawing.strokes) {
    const RECT r = ToRect(stroke, shown.screen);
    ::FillRect(dc, &r, ink);
  }
  const HGDIOBJ previous = ::SelectObject(dc, shown.font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, kInk);
  for (const Label& label : drawing.labels) {
    ::TextOutA(dc, label.place.x - shown.screen.x, label.place.y - shown.screen.y,
               label.text.data(), static_cast<int>(label.text.size()));
  }
  ::SelectObject(dc, previous);
  ::DeleteObject(ink);
  ::DeleteObject(clear);
  ::EndPaint(window, &paint);
}

LRESULT CALLBACK DrawingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      ::SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      break;
    }
    case WM_PAINT:
      Paint(window, *reinterpret_cast<const Shown*>(::GetWindowLongPtrA(window, GWLP_USERDATA)));
      return 0;
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_TIMER:
      ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
      return 0;
    case kEnter:
      ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

// Tells the window once a line, or the end, comes on standard input.
void WaitForEnter(HWND window) {
  const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  std::array<char, 256> buffer;
  DWORD got = 0;
  while (::ReadFile(input, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) &&
         got > 0) {
    if (std::memchr(buffer.data(), '\n', got) != nullptr ||
        std::memchr(buffer.data(), '\r', got) != nullptr) {
      break;
    }
  }
  ::PostMessageA(window, kEnter, 0, 0);
}

// A function of a system library that older Windows lack: null there.
template <typename Pointer>
Pointer Function(HMODULE library, const char* name) {
  // Through void*: FARPROC is a function type of its own.
  return reinterpret_cast<Pointer>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
}

// Per-monitor scales exist from Windows 8.1 on; asked as a per-monitor-aware thread,
// as a DPI-unaware one is told 96 for each.
bool MonitorsDifferInScale() {
  using GetDpi = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  using SetAwareness = HANDLE(WINAPI*)(HANDLE);
  const HMODULE shcore = ::LoadLibraryA("shcore.dll");
  const auto getDpi = shcore ? Function<GetDpi>(shcore, "GetDpiForMonitor") : nullptr;
  const auto setAwareness =
      Function<SetAwareness>(::GetModuleHandleA("user32.dll"), "SetThreadDpiAwarenessContext");
  if (getDpi == nullptr || setAwareness == nullptr) {
    return false;
  }
  const HANDLE perMonitor = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));  // V2
  const HANDLE before = setAwareness(perMonitor);
  std::vector<UINT> scales;
  const auto collect = [](HMONITOR monitor, HDC, LPRECT, LPARAM data) -> BOOL {
    auto& found = *reinterpret_cast<std::pair<GetDpi, std::vector<UINT>*>*>(data);
    UINT x = 0, y = 0;
    if (SUCCEEDED(found.first(monitor, 0, &x, &y))) {  // MDT_EFFECTIVE_DPI
      found.second->push_back(x);
    }
    return TRUE;
  };
  std::pair<GetDpi, std::vector<UINT>*> found{getDpi, &scales};
  ::EnumDisplayMonitors(nullptr, nullptr, collect, reinterpret_cast<LPARAM>(&found));
  if (before != nullptr) {
    setAwareness(before);
  }
  return std::adjacent_find(scales.begin(), scales.end(), std::not_equal_to<>()) != scales.end();
}

class Win32Desk final : public Desk {
 public:
  Win32Desk() : font_(MakeFont()) {}

  PixelPoint Pointer() override {
    POINT p{};
    if (!::GetCursorPos(&p)) {
      throw Failure(failure::kDisplay, "The pointer's position cannot be read: " +
                                           win32::SystemReason(::GetLastError()));
    }
    return {p.x, p.y};
  }

  TwipsScale Scale() override {
    const win32::TwipsScale scale = win32::ScreenTwipsScale();
    return {scale.x, scale.y};
  }

  std::vector<std::string> Cautions(const std::vector<PixelPoint>& points) override {
    std::vector<std::string> cautions;
    if (MonitorsDifferInScale()) {
      cautions.emplace_back(
          "the monitors are set to different scales (Settings, Display, \"Scale\"): Quorvex's "
          "clicks land as measured only on the primary monitor; set every monitor to one scale");
    }
    for (const PixelPoint& point : points) {
      const HWND window = ::WindowFromPoint({point.x, point.y});
      DWORD process = 0;
      if (window != nullptr && ::GetWindowThreadProcessId(window, &process) != 0 &&
          process != ::GetCurrentProcessId() && win32::RunsHigher(process)) {
        cautions.push_back("the application at " + std::to_string(point.x) + "," +
                           std::to_string(point.y) +
                           " runs as administrator: Quorvex's clicks cannot reach it unless "
                           "Quorvex runs as administrator too");
        break;
      }
    }
    return cautions;
  }

  // Every monitor: click points may lie left of or above the primary one.
  PixelRect Screen() override {
    return {::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
            ::GetSystemMetrics(SM_CXVIRTUALSCREEN), ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  }

  PixelSize TextSize(const std::string& text) override {
    const HDC dc = ::GetDC(nullptr);
    const HGDIOBJ previous = ::SelectObject(dc, font_.get());
    SIZE size{};
    ::GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    ::SelectObject(dc, previous);
    ::ReleaseDC(nullptr, dc);
    return {size.cx, size.cy};
  }

  std::optional<PickedWindow> WindowAt(PixelPoint point) override {
    const HWND under = ::WindowFromPoint({point.x, point.y});
    const HWND window = under != nullptr ? ::GetAncestor(under, GA_ROOT) : nullptr;
    POINT origin{0, 0};
    if (window == nullptr || window == ::GetDesktopWindow() || !::ClientToScreen(window, &origin)) {
      return std::nullopt;
    }
    return PickedWindow{win32::TitleOf(window), {origin.x, origin.y}};
  }

  std::optional<PixelPoint> WindowOrigin(std::string_view titlePart) override {
    win32::Win32FollowedWindow window([] {});
    window.Follow(titlePart);
    const std::optional<Point> origin = window.ClientOrigin();
    return origin ? std::optional(PixelPoint{origin->x, origin->y}) : std::nullopt;
  }

  void ShowUntilEnter(std::string_view titlePart,
                      const std::function<Drawing(PixelPoint)>& plan) override {
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DrawingProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    ::RegisterClassExA(&windowClass);

    Shown shown{&plan, nullptr, Screen(), font_.get()};
    // Transparent and layered: hit tests pass through it; no-activate and tool
    // window: it never takes the focus and has no taskbar button.
    const HWND window = ::CreateWindowExA(
        WS_EX_TOPMOST | WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW,
        kClassName, "quorvex-align", WS_POPUP, shown.screen.x, shown.screen.y, shown.screen.width,
        shown.screen.height, nullptr, nullptr, instance, &shown);
    if (window == nullptr) {
      throw Failure(failure::kDisplay,
                    "Cannot draw over the screen: " + win32::SystemReason(::GetLastError()));
    }
    ::SetLayeredWindowAttributes(window, kClear, 0, LWA_COLORKEY);
    // Its events come through this thread's messages, below.
    std::optional<win32::Win32FollowedWindow> followed;
    if (!titlePart.empty()) {
      followed.emplace([window] { ::InvalidateRect(window, nullptr, FALSE); });
      followed->Follow(titlePart);
      shown.followed = &*followed;
    }
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    ::UpdateWindow(window);
    ::SetTimer(window, kTopmostTimer, kTopmostInterval, nullptr);

    // Left blocked in its read if the window goes first; the process ends after this.
    std::thread(WaitForEnter, window).detach();
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }

 private:
  FontPtr font_;
};

}  // namespace

std::unique_ptr<Desk> OpenDesk() {
  return std::make_unique<Win32Desk>();
}

void MakeOutputExact() {
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace quorvex::align
