// The Linux desktop as the program's platform: X11 windows and input, a POSIX
// serial line, and one epoll loop on the calling thread.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "platform/host.h"
#include "platform/posix/posix_fd.h"
#include "platform/posix/posix_poll_timer.h"
#include "platform/posix/posix_serial_port.h"
#include "platform/x11/x11_display.h"
#include "platform/x11/x11_followed_window.h"
#include "platform/x11/x11_message_box.h"
#include "platform/x11/x11_overlay.h"
#include "platform/x11/x11_pointer.h"
#include "platform/x11/x11_stacking.h"

namespace quorvex::x11 {

class X11Host final : public Host, private Toolkit {
 public:
  // Throws Failure (kDisplay) when there is no usable X display. From here on
  // SIGINT, SIGTERM and SIGHUP end the program through the event loop, with the
  // status 128 + the signal's number.
  X11Host();
  ~X11Host() override;
  X11Host(const X11Host&) = delete;
  X11Host& operator=(const X11Host&) = delete;

  Platform Services() override;
  void Connect(Events& events) override { events_ = &events; }
  int EventLoop() override;

 private:
  void MsgBox(std::string_view text) override;
  void Notice(std::string_view text) override;
  std::unique_ptr<AppendFile> OpenForAppend(const std::string& path) override;
  bool MoveReplacing(const std::string& from, const std::string& to) override;
  double TwipsPerPixelX() const override { return twipsPerPixel_; }
  double TwipsPerPixelY() const override { return twipsPerPixel_; }
  std::chrono::steady_clock::time_point Now() const override {
    return std::chrono::steady_clock::now();
  }
  void End(int status) override;

  void RunUntil(const std::function<bool()>& done);
  bool FireDueTimer();
  void Poll(bool xWaiting);
  void WatchLine();
  void TakeSignal();
  void HandleXEvent(XEvent& event);
  void HandleScreen(const XConfigureEvent& event);
  void HandleRestack(Window window, bool overrideRedirect);
  bool IsOurs(Window window) const;

  // The line as it is in waits_: a descriptor's number may come back after a close,
  // its place in the set does not.
  struct LineWatch {
    int fd = -1;
    unsigned opened = 0;
    short events = 0;
    friend bool operator==(const LineWatch&, const LineWatch&) = default;
  };

  posix::UniqueFd signals_;
  DisplayPtr display_;
  posix::UniqueFd waits_;  // the X connection, the signals, and the line while open
  LineWatch lineWatch_;
  double twipsPerPixel_;
  X11Overlay frmMain_;
  X11Overlay frmTwo_;
  X11Stacking stacking_;
  posix::PollTimer timer1_;
  posix::PollTimer timer2_;
  posix::PollTimer timer3_;
  posix::PollTimer timer4_{std::chrono::milliseconds(Timer::kRetryIntervalMs)};
  posix::PollTimer timer5_;
  posix::PosixSerialLine line_;
  X11FollowedWindow window_;
  X11Pointer pointer_;
  Events* events_ = nullptr;
  std::vector<X11MessageBox*> boxes_;  // open message boxes, innermost last
  std::optional<int> endStatus_;
  int screenWidth_ = DisplayWidth(display_.get(), DefaultScreen(display_.get()));
  int screenHeight_ = DisplayHeight(display_.get(), DefaultScreen(display_.get()));
};

}  // namespace quorvex::x11
