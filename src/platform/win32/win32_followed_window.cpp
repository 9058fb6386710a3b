#include "platform/win32/win32_followed_window.h"

#include <utility>
#include <vector>

#include "common/window_title.h"

namespace quorvex::win32 {
namespace {

// Out-of-context hooks call a plain function: the one instance there is.
Win32FollowedWindow* following = nullptr;

constexpr UINT kLookIntervalMs = 250;

bool Shown(HWND window) {
  return ::IsWindow(window) && ::IsWindowVisible(window) && !::IsIconic(window);
}

}  // namespace

std::string TitleOf(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  if (length <= 0) {
    return {};
  }
  std::vector<wchar_t> wide(static_cast<std::size_t>(length) + 1);
  const int got = ::GetWindowTextW(window, wide.data(), length + 1);
  const int bytes =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), got, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), got, text.data(), bytes, nullptr, nullptr);
  return text;
}

Win32FollowedWindow::~Win32FollowedWindow() {
  for (HWINEVENTHOOK hook : {objects_, minimising_}) {
    if (hook != nullptr) {
      ::UnhookWinEvent(hook);
    }
  }
  if (lookTimer_ != 0) {
    ::KillTimer(nullptr, lookTimer_);
  }
  if (following == this) {
    following = nullptr;
  }
}

void Win32FollowedWindow::Follow(std::string_view titlePart) {
  part_ = titlePart;
  following = this;
  constexpr DWORD kFlags = WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS;
  objects_ = ::SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_NAMECHANGE, nullptr, OnEvent, 0, 0,
                               kFlags);
  minimising_ = ::SetWinEventHook(EVENT_SYSTEM_MINIMIZESTART, EVENT_SYSTEM_MINIMIZEEND, nullptr,
                                  OnEvent, 0, 0, kFlags);
  Look();
}

std::optional<Point> Win32FollowedWindow::ClientOrigin() {
  if (found_ == nullptr || !Shown(found_)) {
    return std::nullopt;
  }
  POINT origin{0, 0};
  if (!::ClientToScreen(found_, &origin)) {
    return std::nullopt;
  }
  return Point{origin.x, origin.y};
}

void CALLBACK Win32FollowedWindow::OnEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object,
                                           LONG child, DWORD, DWORD) {
  if (following != nullptr && window != nullptr && object == OBJID_WINDOW &&
      child == CHILDID_SELF && ::GetAncestor(window, GA_ROOT) == window) {
    following->Take(event, window);
  }
}

void CALLBACK Win32FollowedWindow::OnLookTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (following != nullptr && following->found_ == nullptr) {
    following->Look();
    if (following->found_ != nullptr) {
      following->changed_();
    }
  }
}

void Win32FollowedWindow::Take(DWORD event, HWND window) {
  if (found_ != nullptr) {
    if (window != found_) {
      return;  // the window followed stays until it is no longer shown
    }
    const bool gone = event == EVENT_OBJECT_DESTROY || event == EVENT_OBJECT_HIDE ||
                      event == EVENT_SYSTEM_MINIMIZESTART || !Shown(found_);
    if (gone) {
      Look();
    }
    if (gone || event == EVENT_OBJECT_LOCATIONCHANGE) {
      changed_();
    }
    return;
  }
  if (event == EVENT_OBJECT_LOCATIONCHANGE) {
    return;  // a move of another window shows nothing new
  }
  Look();
  if (found_ != nullptr) {
    changed_();
  }
}

// Top to bottom: the first match is the highest.
void Win32FollowedWindow::Look() {
  found_ = nullptr;
  ::EnumWindows(OnTopLevel, reinterpret_cast<LPARAM>(this));
  LookWhileAbsent();
}

void Win32FollowedWindow::LookWhileAbsent() {
  if (found_ == nullptr && lookTimer_ == 0) {
    lookTimer_ = ::SetTimer(nullptr, 0, kLookIntervalMs, OnLookTimer);
  } else if (found_ != nullptr && lookTimer_ != 0) {
    ::KillTimer(nullptr, lookTimer_);
    lookTimer_ = 0;
  }
}

BOOL CALLBACK Win32FollowedWindow::OnTopLevel(HWND window, LPARAM self) {
  auto* followed = reinterpret_cast<Win32FollowedWindow*>(self);
  if (!followed->Matches(window)) {
    return TRUE;
  }
  followed->found_ = window;
  return FALSE;
}

bool Win32FollowedWindow::Matches(HWND window) const {
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  return process != ::GetCurrentProcessId() && Shown(window) &&
         TitleMatches(TitleOf(window), part_);
}

}  // namespace quorvex::win32
