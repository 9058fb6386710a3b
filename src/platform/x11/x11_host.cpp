#include "platform/x11/x11_host.h"

#include "platform/posix/posix_append_file.h"

#include <poll.h>
#include <sys/epoll.h>
#include <sys/signalfd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <initializer_list>
#include <optional>
#include <span>
#include <system_error>

namespace quorvex::x11 {
namespace {

using Clock = posix::PollTimer::Clock;

// Until the nearest deadline, or for ever (null) when there is none.
std::optional<timespec> TimeUntil(std::initializer_list<std::optional<Clock::time_point>> all) {
  std::optional<Clock::time_point> next;
  for (const auto& deadline : all) {
    if (deadline && (!next || *deadline < *next)) {
      next = deadline;
    }
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

// Blocked, they wait for the loop instead of ending the program where it stands,
// with the port still held.
posix::UniqueFd BlockEndSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    sigaddset(&set, signal);
  }
  sigprocmask(SIG_BLOCK, &set, nullptr);
  posix::UniqueFd fd(signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC));
  if (!fd) {
    sigprocmask(SIG_UNBLOCK, &set, nullptr);  // better ended at once than never
  }
  return fd;
}

// The line reads what epoll tells as poll tells it.
static_assert(EPOLLIN == POLLIN && EPOLLOUT == POLLOUT && EPOLLERR == POLLERR &&
              EPOLLHUP == POLLHUP);

// Each descriptor waits in the set for good, not once a turn: a terminal's device
// costs a look at each wait otherwise, and a drag makes 60 waits a second.
posix::UniqueFd WaitSet(std::initializer_list<int> fds) {
  posix::UniqueFd set(::epoll_create1(EPOLL_CLOEXEC));
  if (!set) {
    throw std::system_error(errno, std::generic_category(), "epoll_create1");
  }
  for (const int fd : fds) {
    epoll_event watch{.events = EPOLLIN, .data = {.fd = fd}};
    if (fd >= 0 && ::epoll_ctl(set.get(), EPOLL_CTL_ADD, fd, &watch) != 0) {
      throw std::system_error(errno, std::generic_category(), "epoll_ctl");
    }
  }
  return set;
}

// Kernels before 5.11 wait in milliseconds: rounded up, so that no timer fires early.
int Wait(int set, std::span<epoll_event> ready, const std::optional<timespec>& timeout) {
  const int size = static_cast<int>(ready.size());
  const int count = ::epoll_pwait2(set, ready.data(), size, timeout ? &*timeout : nullptr, nullptr);
  if (count >= 0 || errno != ENOSYS) {
    return count;
  }
  const long ms = timeout ? timeout->tv_sec * 1000 + (timeout->tv_nsec + 999'999) / 1'000'000 : -1;
  return ::epoll_wait(set, ready.data(), size, static_cast<int>(std::min(ms, long{INT_MAX})));
}

}  // namespace

X11Host::X11Host()
    : signals_(BlockEndSignals()),
      display_(OpenDisplay()),
      waits_(WaitSet({ConnectionNumber(display_.get()), signals_.get()})),
      twipsPerPixel_(TwipsPerPixelOf(display_.get())),
      frmMain_(display_.get(), "frmMain", twipsPerPixel_,
               [this](LookWhen when) { stacking_.Request(when); }),
      frmTwo_(display_.get(), "frmTwo", twipsPerPixel_,
              [this](LookWhen when) { stacking_.Request(when); }),
      stacking_(display_.get(), {&frmMain_, &frmTwo_}, [this] { return window_.Frame(); }),
      window_(
          display_.get(), [this](Window window) { return IsOurs(window); },
          [this] { events_->Window_Moved(); }),
      pointer_(display_.get(), window_) {
  // Every restack of another top-level window is a chance to be covered.
  // The root's own changes are the screen's: RandR resizes it.
  XSelectInput(display_.get(), DefaultRootWindow(display_.get()), kRootEvents);
  OnConnectionLost([this] { line_.Close(); });
}

X11Host::~X11Host() {
  OnConnectionLost(nullptr);
}

Platform X11Host::Services() {
  return Platform{.frmMain = frmMain_,
                  .frmTwo = frmTwo_,
                  .Timer1 = timer1_,
                  .Timer2 = timer2_,
                  .Timer3 = timer3_,
                  .Timer4 = timer4_,
                  .Timer5 = timer5_,
                  .MSComm1 = line_,
                  .pointer = pointer_,
                  .toolkit = *this,
                  .window = window_};
}

int X11Host::EventLoop() {
  RunUntil([] { return false; });
  return endStatus_.value_or(0);
}

void X11Host::MsgBox(std::string_view text) {
  Notice(text);
  X11MessageBox box(display_.get(), text);
  boxes_.push_back(&box);
  RunUntil([&box] { return box.Dismissed(); });
  boxes_.pop_back();
}

void X11Host::Notice(std::string_view text) {
  std::fprintf(stderr, "Quorvex: %.*s\n", static_cast<int>(text.size()), text.data());
}

std::unique_ptr<AppendFile> X11Host::OpenForAppend(const std::string& path) {
  return posix::OpenForAppend(path);
}

bool X11Host::MoveReplacing(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

void X11Host::End(int status) {
  if (!endStatus_) {
    endStatus_ = status;
  }
}

// The one loop, also run by every open message box. Each turn: a due timer first
// (so a busy desktop cannot hold a restore back), else a due look at the stacking,
// else one wait, only while no X event is queued, which hands the line's input to its
// handler at once; then the X events one read brought. While a message box is open
// the overlays stay beneath it.
void X11Host::RunUntil(const std::function<bool()>& done) {
  while (!endStatus_ && !done()) {
    if (FireDueTimer() || (boxes_.empty() && stacking_.RunIfDue(Clock::now()))) {
      continue;
    }
    // XPending flushes the requests, so the server has all there is before a wait.
    Poll(XPending(display_.get()) > 0);
    for (int queued = XEventsQueued(display_.get(), QueuedAfterReading);
         queued > 0 && !endStatus_ && !done(); --queued) {
      XEvent event;
      XNextEvent(display_.get(), &event);
      HandleXEvent(event);
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
  if (timer3_.TakeTick(now)) {
    events_->Timer3_Timer();
    return true;
  }
  if (timer4_.TakeTick(now)) {
    events_->Timer4_Timer();
    return true;
  }
  if (timer5_.TakeTick(now)) {
    events_->Timer5_Timer();
    return true;
  }
  return false;
}

void X11Host::Poll(bool xWaiting) {
  WatchLine();
  constexpr timespec kNoWait{};
  const auto timeout = xWaiting
                           ? std::optional(kNoWait)
                           : TimeUntil({timer1_.Deadline(), timer2_.Deadline(), timer3_.Deadline(),
                                        timer4_.Deadline(), timer5_.Deadline(),
                                        boxes_.empty() ? stacking_.Due() : std::nullopt});
  std::array<epoll_event, 3> ready{};
  const int count = Wait(waits_.get(), ready, timeout);
  for (int i = 0; i < count && !endStatus_; ++i) {
    const int fd = ready[i].data.fd;
    const auto events = static_cast<short>(ready[i].events);
    if (fd == line_.PollFd() && line_.Polled(events)) {
      events_->MSComm1_OnComm();
    } else if (fd == signals_.get()) {
      TakeSignal();
    }
  }
}

// The line's descriptor joins the set when it opens (a closed one leaves it by itself),
// and waits for room to write only while bytes wait.
void X11Host::WatchLine() {
  const LineWatch now{.fd = line_.PollFd(), .opened = line_.Opened(), .events = line_.PollEvents()};
  if (now == lineWatch_) {
    return;
  }
  if (now.fd >= 0) {
    const bool known = now.fd == lineWatch_.fd && now.opened == lineWatch_.opened;
    epoll_event watch{.events = static_cast<std::uint32_t>(now.events), .data = {.fd = now.fd}};
    if (::epoll_ctl(waits_.get(), known ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, now.fd, &watch) != 0) {
      throw std::system_error(errno, std::generic_category(), "epoll_ctl");
    }
  }
  lineWatch_ = now;
}

// Ends as the toolkit's end does: the loop returns, and the windows and the port go
// with the host (the port's exclusive hold dropped), open message boxes included.
void X11Host::TakeSignal() {
  signalfd_siginfo info{};
  if (::read(signals_.get(), &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    End(128 + static_cast<int>(info.ssi_signo));
  }
}

void X11Host::HandleXEvent(XEvent& event) {
  for (X11MessageBox* box : boxes_) {
    if (box->Owns(event.xany.window)) {
      box->Handle(event);
      return;
    }
  }
  if (window_.Take(event)) {
    return;  // the application's window moved: the overlays follow, nothing came over them
  }
  switch (event.type) {
    case ButtonPress:
    case ButtonRelease:
      // Clicks on an overlay wait for no one while a message box is open: dropped.
      if (frmMain_.Owns(event.xany.window) && frmMain_.TakeClick(event.xbutton) && boxes_.empty()) {
        events_->frmMain_Click({event.xbutton.x_root, event.xbutton.y_root});
      } else if (frmTwo_.Owns(event.xany.window) && frmTwo_.TakeClick(event.xbutton) &&
                 boxes_.empty()) {
        events_->frmTwo_Click({event.xbutton.x_root, event.xbutton.y_root});
      }
      break;
    case ConfigureNotify:
      if (event.xconfigure.window == DefaultRootWindow(display_.get())) {
        HandleScreen(event.xconfigure);
      } else {
        HandleRestack(event.xconfigure.window, event.xconfigure.override_redirect);
      }
      break;
    case MapNotify:
      HandleRestack(event.xmap.window, event.xmap.override_redirect);
      break;
    case CirculateNotify:
      HandleRestack(event.xcirculate.window, false);
      break;
    default:
      break;
  }
}

void X11Host::HandleScreen(const XConfigureEvent& event) {
  if (event.width != screenWidth_ || event.height != screenHeight_) {
    screenWidth_ = event.width;
    screenHeight_ = event.height;
    events_->ScreenChanged();
  }
}

// Override-redirect windows (menus, tooltips, other overlays) may stand above the
// overlays: their moves change nothing.
void X11Host::HandleRestack(Window window, bool overrideRedirect) {
  if (!overrideRedirect && !IsOurs(window)) {
    stacking_.Request();
  }
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
