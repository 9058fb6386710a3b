#include "platform/x11/x11_host.h"

#include <poll.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>

namespace quorvex::x11 {
namespace {

using Clock = posix::PollTimer::Clock;

// Until the nearer deadline, or for ever (null) when no timer is enabled.
std::optional<timespec> TimeUntil(const std::optional<Clock::time_point>& a,
                                  const std::optional<Clock::time_point>& b) {
  std::optional<Clock::time_point> next = a;
  if (b && (!next || *b < *next)) {
    next = b;
  }
  if (!next) {
    return std::nullopt;
  }
  const auto left = std::max(Clock::duration::zero(), *next - Clock::now());
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
  return timespec{
      .tv_sec = static_cast<time_t>(seconds.count()),
      .tv_nsec = static_cast<long>(
          std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds).count())};
}

}  // namespace

X11Host::X11Host()
    : display_(OpenDisplay()),
      twipsPerPixel_(TwipsPerPixelOf(display_.get())),
      frmMain_(display_.get(), "frmMain", twipsPerPixel_),
      frmTwo_(display_.get(), "frmTwo", twipsPerPixel_),
      user32_(display_.get(), {&frmMain_, &frmTwo_}) {
  // Every restack of another top-level window is a chance to be covered.
  XSelectInput(display_.get(), DefaultRootWindow(display_.get()), SubstructureNotifyMask);
}

Platform X11Host::Services() {
  return Platform{.frmMain = frmMain_,
                  .frmTwo = frmTwo_,
                  .Timer1 = timer1_,
                  .Timer2 = timer2_,
                  .MSComm1 = comm_,
                  .user32 = user32_,
                  .toolkit = *this};
}

int X11Host::EventLoop() {
  RunUntil([] { return false; });
  return endStatus_.value_or(0);
}

void X11Host::MsgBox(std::string_view text) {
  std::fprintf(stderr, "Quorvex: %.*s\n", static_cast<int>(text.size()), text.data());
  X11MessageBox box(display_.get(), text);
  boxes_.push_back(&box);
  RunUntil([&box] { return box.Dismissed(); });
  boxes_.pop_back();
}

void X11Host::End(int status) {
  if (!endStatus_) {
    endStatus_ = status;
  }
}

// The one loop, also run by every open message box: one event per turn, due timers
// first (so a busy desktop cannot hold a restore back), then the serial control's
// events, then X events; with none of them waiting, sleep until one can come.
void X11Host::RunUntil(const std::function<bool()>& done) {
  while (!endStatus_ && !done()) {
    if (FireDueTimer()) {
      continue;
    }
    if (comm_.TakeEvent()) {
      events_->MSComm1_OnComm();
    } else if (XPending(display_.get()) > 0) {
      XEvent event;
      XNextEvent(display_.get(), &event);
      HandleXEvent(event);
    } else {
      WaitForInput();
    }
  }
}

bool X11Host::FireDueTimer() {
  const auto now = Clock::now();
  if (timer1_.TakeTick(now)) {
    events_->Timer1_Timer();
    return true;
  }
  if (timer2_.TakeTick(now)) {
    events_->Timer2_Timer();
    return true;
  }
  return false;
}

// XPending has flushed the requests already, so the server has all there is.
void X11Host::WaitForInput() {
  std::array<pollfd, 2> fds{
      pollfd{.fd = ConnectionNumber(display_.get()), .events = POLLIN, .revents = 0},
      pollfd{.fd = comm_.PollFd(), .events = comm_.PollEvents(), .revents = 0}};
  const auto timeout = TimeUntil(timer1_.Deadline(), timer2_.Deadline());
  const int ready = ::ppoll(fds.data(), fds.size(), timeout ? &*timeout : nullptr, nullptr);
  if (ready > 0 && fds[1].revents != 0) {
    comm_.OnReady(fds[1].revents);
  }
}

void X11Host::HandleXEvent(XEvent& event) {
  for (X11MessageBox* box : boxes_) {
    if (box->Owns(event.xany.window)) {
      box->Handle(event);
      return;
    }
  }
  switch (event.type) {
    case ButtonPress:
    case ButtonRelease:
      HandleButton(event.xbutton);
      break;
    case ConfigureNotify:
      HandleRestack(event.xconfigure.window);
      break;
    case MapNotify:
      HandleRestack(event.xmap.window);
      break;
    default:
      break;
  }
}

// Clicks on an overlay wait for no one while a message box is open: they are dropped.
void X11Host::HandleButton(const XButtonEvent& event) {
  for (auto [overlay, click] :
       {std::pair{&frmMain_, &Events::frmMain_Click}, std::pair{&frmTwo_, &Events::frmTwo_Click}}) {
    if (overlay->Owns(event.window) && overlay->TakeClick(event) && boxes_.empty()) {
      (events_->*click)();
    }
  }
}

void X11Host::HandleRestack(Window window) {
  if (!boxes_.empty() || IsOurs(window)) {
    return;
  }
  frmTwo_.Raise();
  frmMain_.Raise();
}

bool X11Host::IsOurs(Window window) const {
  if (frmMain_.Owns(window) || frmTwo_.Owns(window)) {
    return true;
  }
  for (const X11MessageBox* box : boxes_) {
    if (box->Owns(window)) {
      return true;
    }
  }
  return false;
}

}  // namespace quorvex::x11
