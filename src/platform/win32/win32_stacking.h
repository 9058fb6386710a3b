// Keeps the overlays above topmost windows activated after them. Among topmost
// windows the last activated is on top, so an operator panel that is itself always
// on top rises above the overlays once clicked: when the foreground, the focus or the
// stacking changes, an overlay that something else now covers is put back on top,
// no more often than the restack rate allows. Windows of this program (its message
// box) and another Quorvex's overlays are never answered: two instances never fight.
#pragma once

#include <array>

#include "common/rate_limit.h"
#include "platform/win32/win32_api.h"

namespace quorvex::win32 {

class Win32Stacking {
 public:
  // `timerWindow` gets WM_TIMER with `timerId` when a look was put off.
  Win32Stacking(std::array<HWND, 2> overlays, HWND timerWindow, UINT_PTR timerId);
  ~Win32Stacking();
  Win32Stacking(const Win32Stacking&) = delete;
  Win32Stacking& operator=(const Win32Stacking&) = delete;

  UINT_PTR timerId() const { return timerId_; }
  // The put-off look is due.
  void OnTimer();

 private:
  static void CALLBACK OnWinEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object,
                                  LONG child, DWORD thread, DWORD time);
  void Request();
  void Look();
  bool Covered(HWND overlay) const;

  std::array<HWND, 2> overlays_;
  HWND timerWindow_;
  UINT_PTR timerId_;
  std::array<HWINEVENTHOOK, 2> hooks_{};
  RestackRate rate_;
  bool timerSet_ = false;
};

}  // namespace quorvex::win32
