// The Windows desktop as the program's platform.
#pragma once

#include "platform/host.h"
#include "platform/win32/win32_followed_window.h"
#include "platform/win32/win32_overlay.h"
#include "platform/win32/win32_pointer.h"
#include "platform/win32/win32_serial_line.h"
#include "platform/win32/win32_stacking.h"
#include "platform/win32/win32_timer.h"
#include "platform/win32/win32_toolkit.h"
#include "platform/win32/win32_window_class.h"

namespace quorvex::win32 {

// The program's windows and controls on the Windows desktop. A hidden message
// window owns the timers and hears from the serial line's threads; every event is
// raised on the thread that built the host.
class Win32Host final : public Host, private MessageTarget {
 public:
  explicit Win32Host(HINSTANCE instance);

  Platform Services() override;
  void Connect(Events& events) override { events_ = &events; }
  int EventLoop() override;

 private:
  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnTimer(UINT_PTR id);
  template <typename... Args>
  void Raise(void (Events::*event)(Args...), Args... args) {
    if (events_ != nullptr && !toolkit_.ended()) {
      (events_->*event)(args...);
    }
  }

  TwipsScale scale_;
  WindowClass messagesClass_;
  WindowClass frmMainClass_;
  WindowClass frmTwoClass_;
  UniqueWindow messages_;
  Win32Overlay frmMain_;
  Win32Overlay frmTwo_;
  Win32Timer timer1_;
  Win32Timer timer2_;
  Win32Timer timer3_;
  Win32Timer timer4_;
  Win32Timer timer5_;
  Win32SerialLine line_;
  Win32Toolkit toolkit_;
  Win32Stacking stacking_;
  Win32FollowedWindow window_;
  Win32Pointer pointer_{window_};
  Events* events_ = nullptr;
};

}  // namespace quorvex::win32
