#include "platform/win32/win32_host.h"

#include "platform/win32/win32_shown.h"

namespace quorvex::win32 {
namespace {

constexpr UINT_PTR kTimer1 = 1;
constexpr UINT_PTR kTimer2 = 2;
constexpr UINT_PTR kTimer3 = 3;
constexpr UINT_PTR kStackingTimer = 4;
constexpr UINT_PTR kTimer4 = 5;
constexpr UINT_PTR kTimer5 = 6;

HBRUSH ButtonFace() {
  return reinterpret_cast<HBRUSH>(static_cast<std::intptr_t>(COLOR_BTNFACE + 1));
}

}  // namespace

Win32Host::Win32Host(HINSTANCE instance)
    : scale_(ScreenTwipsScale()),
      messagesClass_(instance, "Quorvex.Messages", nullptr),
      frmMainClass_(instance, "Quorvex.frmMain", ButtonFace()),
      frmTwoClass_(instance, "Quorvex.frmTwo", ButtonFace()),
      messages_(messagesClass_.Create({.parent = HWND_MESSAGE}, *this)),
      frmMain_(
          frmMainClass_, scale_, [this](Point at) { Raise(&Events::frmMain_Click, at); },
          [this] { toolkit_.CloseRequested(); }, [this] { Raise(&Events::ScreenChanged); }),
      frmTwo_(
          frmTwoClass_, scale_, [this](Point at) { Raise(&Events::frmTwo_Click, at); },
          [this] { toolkit_.CloseRequested(); }),
      timer1_(messages_.get(), kTimer1),
      timer2_(messages_.get(), kTimer2),
      timer3_(messages_.get(), kTimer3),
      timer4_(messages_.get(), kTimer4, Timer::kRetryIntervalMs),
      timer5_(messages_.get(), kTimer5),
      line_(
          messages_.get(), [this] { Raise(&Events::MSComm1_OnComm); },
          [this] {
            // A try to open again is over: its tick comes now, not a second later.
            if (timer4_.Enabled()) {
              Raise(&Events::Timer4_Timer);
            }
          }),
      toolkit_(frmMain_, frmTwo_, scale_),
      stacking_({frmMain_.handle(), frmTwo_.handle()}, messages_.get(), kStackingTimer),
      window_([this] {
        Raise(&Events::Window_Moved);
        stacking_.FollowedChanged();
      }) {
  KeepFineTimers(SystemSetProcessInformation());
  frmMain_.StackWith([this] { stacking_.Restack(); });
  frmTwo_.StackWith([this] { stacking_.Restack(); });
  stacking_.Follow([this]() -> HWND {
    const HWND followed = window_.Found();
    return window_.Watched() && Shown(followed) ? followed : nullptr;
  });
}

Platform Win32Host::Services() {
  return {.frmMain = frmMain_,
          .frmTwo = frmTwo_,
          .Timer1 = timer1_,
          .Timer2 = timer2_,
          .Timer3 = timer3_,
          .Timer4 = timer4_,
          .Timer5 = timer5_,
          .MSComm1 = line_,
          .pointer = pointer_,
          .toolkit = toolkit_,
          .window = window_};
}

int Win32Host::EventLoop() {
  MSG message{};
  while (!toolkit_.ended() && ::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return toolkit_.status();
}

LRESULT Win32Host::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      OnTimer(wParam);
      return 0;
    default:
      if (line_.OnMessage(message, wParam, lParam)) {
        return 0;
      }
      return ::DefWindowProcA(window, message, wParam, lParam);
  }
}

void Win32Host::OnTimer(UINT_PTR id) {
  // A tick already queued when its timer was stopped is not delivered.
  if (id == timer1_.id() && timer1_.Enabled()) {
    Raise(&Events::Timer1_Timer);
  } else if (id == timer2_.id() && timer2_.Enabled()) {
    Raise(&Events::Timer2_Timer);
  } else if (id == timer3_.id() && timer3_.Enabled()) {
    Raise(&Events::Timer3_Timer);
  } else if (id == stacking_.timerId()) {
    stacking_.OnTimer();
  } else if (id == timer4_.id() && timer4_.Enabled()) {
    Raise(&Events::Timer4_Timer);
  } else if (id == timer5_.id() && timer5_.Enabled()) {
    Raise(&Events::Timer5_Timer);
  }
}

}  // namespace quorvex::win32
