#include "platform/win32/win32_stacking.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>

#include "platform/win32/win32_shown.h"
#include "platform/win32/win32_stacking_rule.h"

namespace quorvex::win32 {
namespace {

// Out-of-context hooks call back on the thread that set them, from its message loop;
// the callback has no place for a pointer of its own.
Win32Stacking* current = nullptr;

// A desktop has some hundreds of top-level windows; a list that never ends is cut.
constexpr std::size_t kMaxWindows = 8192;

constexpr UINT kZOrderOnly = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;

bool IsOverlayOfAnyQuorvex(HWND window) {
  char name[32] = {};
  ::GetClassNameA(window, name, sizeof name);
  return std::strcmp(name, "Quorvex.frmMain") == 0 || std::strcmp(name, "Quorvex.frmTwo") == 0;
}

bool Topmost(HWND window) {
  return (::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// EnumWindows goes from the top down and ends: GW_HWNDPREV walks can circle while
// windows restack under them.
BOOL CALLBACK Collect(HWND window, LPARAM list) {
  auto& windows = *reinterpret_cast<std::vector<HWND>*>(list);
  windows.push_back(window);
  return windows.size() < kMaxWindows ? TRUE : FALSE;
}

void Apply(HWND overlay, const Placing& placing, const std::vector<HWND>& order) {
  const bool topmost = Topmost(overlay);
  if (!placing.beneath) {
    const HWND top = placing.topmost ? HWND_TOPMOST : topmost ? HWND_NOTOPMOST : HWND_TOP;
    ::SetWindowPos(overlay, top, 0, 0, 0, 0, kZOrderOnly);
    return;
  }
  // Whether a place beneath a window of the other band changes the band is not
  // documented: the band is set first.
  if (topmost != placing.topmost) {
    ::SetWindowPos(overlay, placing.topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                   kZOrderOnly);
  }
  ::SetWindowPos(overlay, order[*placing.beneath], 0, 0, 0, 0, kZOrderOnly);
}

}  // namespace

// Foreground and reorder events are one range, focus another; Wine sends only the
// focus event, which must be enough there. A window cloaked or uncloaked (another
// virtual desktop shown) may uncover an overlay or come over one.
Win32Stacking::Win32Stacking(std::array<HWND, 2> overlays, HWND timerWindow, UINT_PTR timerId,
                             StackingDesktop desktop)
    : overlays_(overlays), timerWindow_(timerWindow), timerId_(timerId), desktop_(desktop) {
  current = this;
  constexpr DWORD kFlags = WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS;
  hooks_[0] = ::SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                OnWinEvent, 0, 0, kFlags);
  hooks_[1] = ::SetWinEventHook(EVENT_OBJECT_REORDER, EVENT_OBJECT_FOCUS, nullptr, OnWinEvent, 0, 0,
                                kFlags);
  hooks_[2] = ::SetWinEventHook(EVENT_OBJECT_CLOAKED, EVENT_OBJECT_UNCLOAKED, nullptr, OnWinEvent,
                                0, 0, kFlags);
  hooked_ = std::ranges::none_of(hooks_, [](HWINEVENTHOOK hook) { return hook == nullptr; });
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

// Without every event a change of the followed window's place among the others
// would go unseen, and the overlays stay under a window raised over them.
HWND Win32Stacking::StackedWith() const {
  if (!desktop_.crossProcessEvents || !hooked_ || !followed_) {
    return nullptr;
  }
  return followed_();
}

void Win32Stacking::FollowedChanged() {
  const HWND followed = StackedWith();
  if (followed != lastFollowed_ || (followed != nullptr && Topmost(followed) != lastBand_)) {
    Request();
  }
}

void Win32Stacking::Request() {
  const auto now = RestackRate::Clock::now();
  if (rate_.Due() <= now) {
    rate_.Take(now);
    Restack();
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

bool Win32Stacking::Ours(HWND window) const {
  return window == overlays_[0] || window == overlays_[1];
}

// Raised only when out of place: the raise itself is a reorder, and the look it
// brings finds nothing to do. Only the windows down to the lowest of interest are
// asked about.
void Win32Stacking::Restack() {
  HWND followed = StackedWith();
  order_.clear();
  ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&order_));
  std::array<std::optional<std::size_t>, 2> at;
  std::optional<std::size_t> followedAt;
  for (std::size_t i = 0; i < order_.size(); ++i) {
    for (std::size_t k = 0; k < overlays_.size(); ++k) {
      if (order_[i] == overlays_[k]) {
        at[k] = i;
      }
    }
    if (order_[i] == followed) {
      followedAt = i;
    }
  }
  if (!followedAt) {
    followed = nullptr;  // gone since it was found
  }
  lastFollowed_ = followed;
  lastBand_ = followed != nullptr && Topmost(followed);
  std::size_t lowest = followedAt.value_or(0);
  for (const auto& overlay : at) {
    lowest = std::max(lowest, overlay.value_or(0));
  }
  std::vector<StackedWindow> zOrder(std::min(order_.size(), lowest + 1));
  for (std::size_t i = 0; i < zOrder.size(); ++i) {
    const HWND window = order_[i];
    StackedWindow& seen = zOrder[i];
    seen.topmost = Topmost(window);
    seen.shown = Shown(window);
    if (!seen.shown && !Ours(window)) {
      continue;
    }
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    seen.className = name;
    seen.overlay = Ours(window) || IsOverlayOfAnyQuorvex(window);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    seen.ownProcess = process == desktop_.self;
    seen.owned = ::GetWindow(window, GW_OWNER) != nullptr;
    RECT box{};
    ::GetWindowRect(window, &box);
    seen.box = {box.left, box.top, box.right, box.bottom};
  }
  for (std::size_t k = 0; k < overlays_.size(); ++k) {
    if (!at[k]) {
      continue;
    }
    if (const auto placing = win32::Restack(zOrder, *at[k], followedAt)) {
      Apply(overlays_[k], *placing, order_);
    }
  }
}

}  // namespace quorvex::win32
