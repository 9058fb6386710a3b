// Reads the program's overlays and message boxes from outside, through user32.
//   probe windows      one line per overlay: geometry, visibility, input, styles, alpha
//   probe msgbox       an open "Quorvex" message box: its buttons, icons and text (UTF-8),
//                      and how many overlays take clicks meanwhile; then it clicks OK
//   probe box          whether a "Quorvex" message box is open (status 0), nothing else
//   probe foreground   the class of the window that has the keyboard
//   probe close        asks frmMain to close, as taskkill without /F does
//   probe pointer X Y  moves the mouse pointer to the screen point X,Y, as the operator would
//   probe cursor       prints where Windows has the cursor: X Y
//   probe hold         opens the file QUORVEX_HOLD names (UTF-16 from the environment)
//                      as a log reader does, says "held", and once standard input ends
//                      reads it through the same handle and says "read N" (its bytes)
// Exit status 3: nothing to read.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/win32/win32_api.h"

namespace {

constexpr int kNothing = 3;
constexpr std::array<std::string_view, 2> kOverlays{"frmMain", "frmTwo"};

HWND FindOverlay(std::string_view name) {
  const std::string windowClass = "Quorvex." + std::string(name);
  return ::FindWindowA(windowClass.c_str(), nullptr);
}

int Windows() {
  int found = 0;
  for (const std::string_view name : kOverlays) {
    const HWND window = FindOverlay(name);
    if (window == nullptr) {
      continue;
    }
    ++found;
    RECT r{};
    ::GetWindowRect(window, &r);
    const LONG exStyle = ::GetWindowLongA(window, GWL_EXSTYLE);
    BYTE alpha = 0;
    DWORD flags = 0;
    COLORREF key = 0;
    const bool layeredInfo = ::GetLayeredWindowAttributes(window, &key, &alpha, &flags) != FALSE;
    std::array<char, 64> text{};
    ::GetWindowTextA(window, text.data(), text.size());
    std::printf(
        "%.*s left=%ld top=%ld right=%ld bottom=%ld visible=%d enabled=%d topmost=%d "
        "layered=%d toolwindow=%d alpha=%d text=%s\n",
        static_cast<int>(name.size()), name.data(), r.left, r.top, r.right, r.bottom,
        ::IsWindowVisible(window) ? 1 : 0, ::IsWindowEnabled(window) ? 1 : 0,
        (exStyle & WS_EX_TOPMOST) != 0 ? 1 : 0, (exStyle & WS_EX_LAYERED) != 0 ? 1 : 0,
        (exStyle & WS_EX_TOOLWINDOW) != 0 ? 1 : 0,
        layeredInfo && (flags & LWA_ALPHA) != 0 ? alpha : -1, text.data());
  }
  return found == 0 ? kNothing : 0;
}

std::string Utf8(const wchar_t* text) {
  std::array<char, 4096> bytes{};
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), bytes.size(), nullptr, nullptr);
  return bytes.data();
}

struct MessageBoxContent {
  std::string text;
  int buttons = 0;
  int icons = 0;
  HWND ok = nullptr;
};

BOOL CALLBACK ReadChild(HWND child, LPARAM param) {
  auto& content = *reinterpret_cast<MessageBoxContent*>(param);
  std::array<char, 64> windowClass{};
  ::GetClassNameA(child, windowClass.data(), windowClass.size());
  std::array<wchar_t, 1024> text{};
  ::GetWindowTextW(child, text.data(), text.size());
  const std::string_view kind(windowClass.data());
  if (kind == "Button") {
    ++content.buttons;
    content.ok = child;
  } else if (kind == "Static") {
    if ((::GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      // An icon static with no icon set is an empty place holder.
      if (::SendMessageA(child, STM_GETICON, 0, 0) != 0) {
        ++content.icons;
      }
    } else if (text[0] != L'\0') {
      content.text = Utf8(text.data());
    }
  }
  return TRUE;
}

HWND FindMessageBox() {
  return ::FindWindowA("#32770", "Quorvex");
}

int Foreground() {
  std::array<char, 64> windowClass{};
  const HWND window = ::GetForegroundWindow();
  if (window == nullptr || ::GetClassNameA(window, windowClass.data(), windowClass.size()) == 0) {
    std::printf("none\n");
  } else {
    std::printf("%s\n", windowClass.data());
  }
  return 0;
}

int Close() {
  const HWND overlay = FindOverlay("frmMain");
  if (overlay == nullptr) {
    return kNothing;
  }
  ::PostMessageA(overlay, WM_CLOSE, 0, 0);
  return 0;
}

int DismissMessageBox() {
  const HWND box = FindMessageBox();
  if (box == nullptr) {
    return kNothing;
  }
  MessageBoxContent content;
  ::EnumChildWindows(box, ReadChild, reinterpret_cast<LPARAM>(&content));
  int enabled = 0;
  for (const std::string_view name : kOverlays) {
    const HWND overlay = FindOverlay(name);
    enabled += overlay != nullptr && ::IsWindowEnabled(overlay) ? 1 : 0;
  }
  std::printf("buttons=%d icons=%d enabled=%d text=%s\n", content.buttons, content.icons, enabled,
              content.text.c_str());
  ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(content.ok));
  return 0;
}

// Under Wine on a busy machine SetCursorPos failed once, early in a test module, where
// an operator's hand is never refused: try again, and name the error if it persists.
int MovePointer(const char* x, const char* y) {
  for (int tries = 0; tries < 200; ++tries) {
    if (::SetCursorPos(std::atoi(x), std::atoi(y)))
      return 0;
    ::Sleep(10);
  }
  std::fprintf(stderr, "SetCursorPos(%s, %s) failed for 2 s: error %lu\n", x, y, ::GetLastError());
  return 1;
}

// Shares reading, writing and deleting, as a reader that lets the log rotate does.
int Hold() {
  std::array<wchar_t, 1024> path{};
  if (::GetEnvironmentVariableW(L"QUORVEX_HOLD", path.data(), path.size()) == 0) {
    return 2;
  }
  const HANDLE file = ::CreateFileW(path.data(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "cannot open: error %lu\n", ::GetLastError());
    return 1;
  }
  std::printf("held\n");
  std::fflush(stdout);
  while (std::getchar() != EOF) {
  }
  unsigned long long total = 0;
  std::array<char, 65536> buffer{};
  DWORD got = 0;
  while (::ReadFile(file, buffer.data(), buffer.size(), &got, nullptr) && got > 0) {
    total += got;
  }
  std::printf("read %llu\n", total);
  ::CloseHandle(file);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view command = argc > 1 ? argv[1] : "";
  int status = 2;
  if (command == "windows") {
    status = Windows();
  } else if (command == "msgbox") {
    status = DismissMessageBox();
  } else if (command == "box") {
    status = FindMessageBox() != nullptr ? 0 : kNothing;
  } else if (command == "foreground") {
    status = Foreground();
  } else if (command == "close") {
    status = Close();
  } else if (command == "pointer" && argc == 4) {
    status = MovePointer(argv[2], argv[3]);
  } else if (command == "hold") {
    status = Hold();
  } else if (command == "cursor") {
    POINT at{};
    status = ::GetCursorPos(&at) ? 0 : 1;
    std::printf("%ld %ld\n", at.x, at.y);
  } else {
    std::fprintf(stderr,
                 "usage: probe windows | msgbox | box | foreground | close | pointer X Y | hold | "
                 "cursor\n");
  }
  std::fflush(stdout);
  return status;
}
