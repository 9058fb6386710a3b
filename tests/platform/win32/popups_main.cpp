// An application's pop-ups, for the overlays to stay beneath: a captioned window with
// a drop-down list, and a pop-up menu opened on request. It prints
//   combo LEFT TOP RIGHT BOTTOM      the closed drop-down list's box, then "ready"
//   list N LEFT TOP RIGHT BOTTOM     each item of the list, once it is open
//   menu N LEFT TOP RIGHT BOTTOM     each item of the menu, once it is open
//   closed list                      the list closed again
//   chose TEXT                       an item chosen in either ("chose none": menu closed)
// Usage: popups X Y TITLE; a line "menu X Y" on its input opens the menu with its
// corner there.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/win32/win32_api.h"

namespace {

constexpr std::array<const char*, 4> kItems{"one", "two", "three", "four"};
constexpr int kComboId = 10;
enum Command : UINT { kMenu = WM_APP };
constexpr UINT_PTR kListShown = 1;

HWND mainWindow = nullptr;
HWND combo = nullptr;
HMENU menu = nullptr;
bool menuReported = false;

void Say(const char* kind, int n, RECT r) {
  std::printf("%s %d %ld %ld %ld %ld\n", kind, n, r.left, r.top, r.right, r.bottom);
  std::fflush(stdout);
}

void Chose(const char* text) {
  std::printf("chose %s\n", text);
  std::fflush(stdout);
}

DWORD WINAPI ReadCommands(void*) {
  char line[128];
  while (std::fgets(line, sizeof line, stdin)) {
    int x = 0, y = 0;
    if (std::sscanf(line, "menu %d %d", &x, &y) == 2) {
      ::PostMessageA(mainWindow, kMenu, static_cast<WPARAM>(x), static_cast<LPARAM>(y));
    }
  }
  return 0;
}

// The list is told to drop before it shows: its items are read once it does.
bool ReportList() {
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (!::GetComboBoxInfo(combo, &info) || !::IsWindowVisible(info.hwndList)) {
    return false;
  }
  for (int i = 0; i < static_cast<int>(kItems.size()); ++i) {
    RECT r{};
    ::SendMessageA(info.hwndList, LB_GETITEMRECT, static_cast<WPARAM>(i),
                   reinterpret_cast<LPARAM>(&r));
    ::MapWindowPoints(info.hwndList, nullptr, reinterpret_cast<POINT*>(&r), 2);
    Say("list", i, r);
  }
  return true;
}

void OpenMenu(HWND window, int x, int y) {
  menuReported = false;
  ::SetForegroundWindow(window);
  const UINT chosen = static_cast<UINT>(
      ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, x, y, 0,
                       window, nullptr));
  ::PostMessageA(window, WM_NULL, 0, 0);  // so that the menu closes when clicked beside
  Chose(chosen == 0 ? "none" : kItems[chosen - 1]);
}

LRESULT CALLBACK PopupsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kListShown && ReportList()) {
        ::KillTimer(window, kListShown);
      }
      return 0;
    case kMenu:
      OpenMenu(window, static_cast<int>(wParam), static_cast<int>(lParam));
      return 0;
    case WM_ENTERIDLE:
      if (wParam == MSGF_MENU && !menuReported) {
        menuReported = true;
        for (int i = 0; i < static_cast<int>(kItems.size()); ++i) {
          RECT r{};
          ::GetMenuItemRect(nullptr, menu, static_cast<UINT>(i),
                            &r);  // null: the menu's own window
          Say("menu", i, r);
        }
      }
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kComboId && HIWORD(wParam) == CBN_DROPDOWN) {
        ::SetTimer(window, kListShown, 20, nullptr);
      } else if (LOWORD(wParam) == kComboId && HIWORD(wParam) == CBN_CLOSEUP) {
        std::printf("closed list\n");
        std::fflush(stdout);
      } else if (LOWORD(wParam) == kComboId && HIWORD(wParam) == CBN_SELENDOK) {
        const auto chosen = ::SendMessageA(combo, CB_GETCURSEL, 0, 0);
        Chose(chosen >= 0 && chosen < static_cast<LRESULT>(kItems.size()) ? kItems[chosen] : "?");
      }
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: popups X Y TITLE\n");
    return 2;
  }
  const HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSA description{};
  description.lpfnWndProc = PopupsProc;
  description.hInstance = instance;
  description.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  description.lpszClassName = "QuorvexTestPopups";
  ::RegisterClassA(&description);
  mainWindow = ::CreateWindowExA(0, description.lpszClassName, argv[3],
                                 WS_OVERLAPPEDWINDOW | WS_VISIBLE, std::atoi(argv[1]),
                                 std::atoi(argv[2]), 420, 300, nullptr, nullptr, instance, nullptr);
  combo = ::CreateWindowExA(
      0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 20, 20, 160, 200, mainWindow,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kComboId)), instance, nullptr);
  menu = ::CreatePopupMenu();
  for (std::size_t i = 0; i < kItems.size(); ++i) {
    ::AppendMenuA(menu, MF_STRING, i + 1, kItems[i]);
    ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kItems[i]));
  }
  RECT r{};
  ::GetWindowRect(combo, &r);
  Say("combo", 0, r);
  ::CreateThread(nullptr, 0, ReadCommands, nullptr, 0, nullptr);
  std::printf("ready\n");
  std::fflush(stdout);
  MSG message{};
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return 0;
}
