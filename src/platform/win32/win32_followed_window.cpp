#include "platform/win32/win32_followed_window.h"

#include <utility>
#include <vector>

#include "common/window_title.h"
#include "platform/win32/win32_shown.h"

namespace quorvex::win32 {
namespace {

// Out-of-context hooks call a plain function: the one instance there is.
Win32FollowedWindow* following = nullptr;

constexpr UINT kLookIntervalMs = 250;

// Cloaking is the shell's doing, reported from its process, not the window's.
constexpr std::array<EventRange, 4> kSearching{{
    {EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW, false},
    {EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, false},
    {EVENT_SYSTEM_MINIMIZEEND, EVENT_SYSTEM_MINIMIZEEND, false},
    {EVENT_OBJECT_UNCLOAKED, EVENT_OBJECT_UNCLOAKED, false},
}};
constexpr std::array<EventRange, 4> kFound{{
    {EVENT_OBJECT_DESTROY, EVENT_OBJECT_HIDE, true},
    {EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_LOCATIONCHANGE, true},
    {EVENT_SYSTEM_MINIMIZESTART, EVENT_SYSTEM_MINIMIZESTART, true},
    {EVENT_OBJECT_CLOAKED, EVENT_OBJECT_CLOAKED, false},
}};

}  // namespace

std::span<const EventRange> FollowEvents(bool found) {
  return found ? std::span<const EventRange>(kFound) : std::span<const EventRange>(kSearching);
}

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
  Unhook();
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
  Look();
}

// Set anew whenever the window followed changes. A hook of one process that cannot be
// had is set for all of them: more wake-ups, nothing missed.
void Win32FollowedWindow::Hook() {
  if (hooked_ && hookedFor_ == found_) {
    return;
  }
  Unhook();
  DWORD process = 0;
  if (found_ != nullptr) {
    ::GetWindowThreadProcessId(found_, &process);
  }
  constexpr DWORD kFlags = WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS;
  const auto events = FollowEvents(found_ != nullptr);
  bool all = true;
  for (std::size_t i = 0; i < events.size(); ++i) {
    const EventRange& range = events[i];
    HWINEVENTHOOK& hook = hooks_[i];
    if (range.fromFollowed && process != 0) {
      hook = ::SetWinEventHook(range.first, range.last, nullptr, OnEvent, process, 0, kFlags);
    }
    if (hook == nullptr) {
      hook = ::SetWinEventHook(range.first, range.last, nullptr, OnEvent, 0, 0, kFlags);
    }
    all = all && hook != nullptr;
  }
  hooked_ = true;
  hookedFor_ = found_;
  watched_ = found_ != nullptr && all;
}

void Win32FollowedWindow::Unhook() {
  for (HWINEVENTHOOK& hook : hooks_) {
    if (hook != nullptr) {
      ::UnhookWinEvent(hook);
      hook = nullptr;
    }
  }
  hooked_ = false;
  watched_ = false;
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
  // The followed window may be destroyed by the time its last events arrive.
  if (following != nullptr && window != nullptr && object == OBJID_WINDOW &&
      child == CHILDID_SELF &&
      (window == following->found_ || ::GetAncestor(window, GA_ROOT) == window)) {
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
  Hook();
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
  // The title first: whether DWM cloaks a window is asked of few.
  return process != ::GetCurrentProcessId() && ::IsWindowVisible(window) &&
         TitleMatches(TitleOf(window), part_) && Shown(window);
}

}  // namespace quorvex::win32
