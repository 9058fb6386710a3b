#include "platform/win32/win32_stacking.h"

#include <chrono>
#include <cstring>

namespace quorvex::win32 {
namespace {

// Out-of-context hooks call back on the thread that set them, from its message loop;
// the callback has no place for a pointer of its own.
Win32Stacking* current = nullptr;

bool IsOverlayOfAnyQuorvex(HWND window) {
  char name[32] = {};
  ::GetClassNameA(window, name, sizeof name);
  return std::strcmp(name, "Quorvex.frmMain") == 0 || std::strcmp(name, "Quorvex.frmTwo") == 0;
}

}  // namespace

// Foreground and reorder events are one range, focus another; Wine sends only the
// focus event, which must be enough there.
Win32Stacking::Win32Stacking(std::array<HWND, 2> overlays, HWND timerWindow, UINT_PTR timerId)
    : overlays_(overlays), timerWindow_(timerWindow), timerId_(timerId) {
  current = this;
  constexpr DWORD kFlags = WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS;
  hooks_[0] = ::SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                OnWinEvent, 0, 0, kFlags);
  hooks_[1] = ::SetWinEventHook(EVENT_OBJECT_REORDER, EVENT_OBJECT_FOCUS, nullptr, OnWinEvent, 0, 0,
                                kFlags);
}

Win32Stacking::~Win32Stacking() {
  for (HWINEVENTHOOK hook : hooks_) {
    if (hook != nullptr) {
      ::UnhookWinEvent(hook);
    }
  }
  if (timerSet_) {
    ::KillTimer(timerWindow_, timerId_);
  }
  current = nullptr;
}

void CALLBACK Win32Stacking::OnWinEvent(HWINEVENTHOOK /*hook*/, DWORD /*event*/, HWND window,
                                        LONG /*object*/, LONG /*child*/, DWORD /*thread*/,
                                        DWORD /*time*/) {
  if (current != nullptr && !IsOverlayOfAnyQuorvex(window)) {
    current->Request();
  }
}

void Win32Stacking::Request() {
  const auto now = RestackRate::Clock::now();
  if (rate_.Due() <= now) {
    rate_.Take(now);
    Look();
  } else if (!timerSet_) {
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(rate_.Due() - now);
    timerSet_ = ::SetTimer(timerWindow_, timerId_, static_cast<UINT>(wait.count()), nullptr) != 0;
  }
}

void Win32Stacking::OnTimer() {
  ::KillTimer(timerWindow_, timerId_);
  timerSet_ = false;
  Request();
}

// Raised only when covered: the raise itself is a reorder, and the look it brings
// finds nothing to do.
void Win32Stacking::Look() {
  for (HWND overlay : overlays_) {
    if (Covered(overlay)) {
      ::SetWindowPos(overlay, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
}

bool Win32Stacking::Covered(HWND overlay) const {
  RECT mine{};
  if (!::IsWindowVisible(overlay) || !::GetWindowRect(overlay, &mine)) {
    return false;
  }
  const DWORD self = ::GetCurrentProcessId();
  for (HWND above = ::GetWindow(overlay, GW_HWNDPREV); above != nullptr;
       above = ::GetWindow(above, GW_HWNDPREV)) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(above, &process);
    RECT theirs{}, both{};
    if (process != self && ::IsWindowVisible(above) && !IsOverlayOfAnyQuorvex(above) &&
        ::GetWindowRect(above, &theirs) && ::IntersectRect(&both, &mine, &theirs)) {
      return true;
    }
  }
  return false;
}

}  // namespace quorvex::win32
