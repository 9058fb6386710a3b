// Where the overlays stand among other windows. Without WINDOW they stay above
// topmost windows activated after them: among topmost windows the last activated is
// on top, so an operator panel that is itself always on top rises above the overlays
// once clicked. With WINDOW they lie directly above the followed window instead, so
// that another program's window over the application keeps its clicks; where other
// processes' events do not come (Wine 8) a raise of the application would go unseen,
// and they stay above every window. A restack never covers a pop-up; it answers
// foreground, focus, stacking and cloak changes at the restack rate. Windows of this
// program and another Quorvex's overlays are never answered: two never fight.
#pragma once

#include <array>
#include <functional>
#include <vector>

#include "common/rate_limit.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_wine.h"

namespace quorvex::win32 {

// What the stacking may count on.
struct StackingDesktop {
  // Whether other processes' window events reach this one.
  bool crossProcessEvents = !UnderWine();
  // The process whose windows are the program's own.
  DWORD self = ::GetCurrentProcessId();
};

class Win32Stacking {
 public:
  // The window the overlays follow, null while there is none to follow.
  using Followed = std::function<HWND()>;
  // `timerWindow` gets WM_TIMER with `timerId` when a look was put off.
  Win32Stacking(std::array<HWND, 2> overlays, HWND timerWindow, UINT_PTR timerId,
                StackingDesktop desktop = {});
  ~Win32Stacking();
  Win32Stacking(const Win32Stacking&) = delete;
  Win32Stacking& operator=(const Win32Stacking&) = delete;

  void Follow(Followed followed) { followed_ = std::move(followed); }
  // The followed window may be another one now, or have changed band: looked at if so.
  // A move alone changes no stacking.
  void FollowedChanged();
  // Each overlay put in its place now, as the program itself placed or showed one.
  void Restack();
  // The window the overlays are stacked with now; null: above every window.
  HWND StackedWith() const;

  UINT_PTR timerId() const { return timerId_; }
  // The put-off look is due.
  void OnTimer();

 private:
  static void CALLBACK OnWinEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object,
                                  LONG child, DWORD thread, DWORD time);
  void Request();
  bool Ours(HWND window) const;

  std::array<HWND, 2> overlays_;
  HWND timerWindow_;
  UINT_PTR timerId_;
  StackingDesktop desktop_;
  Followed followed_;
  std::array<HWINEVENTHOOK, 3> hooks_{};
  bool hooked_ = false;
  HWND lastFollowed_ = nullptr;
  bool lastBand_ = false;
  std::vector<HWND> order_;  // kept for its capacity
  RestackRate rate_;
  bool timerSet_ = false;
};

}  // namespace quorvex::win32
