#include "platform/posix/posix_comm_control.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <utility>

#include "platform/failure.h"

namespace quorvex::posix {
namespace {

std::string PortName(std::int16_t port) {
  return "COM" + std::to_string(port) + " (" + PortDevicePath(port) + ")";
}

}  // namespace

void PosixCommControl::CommPort(std::int16_t port) {
  if (port < 1) {
    throw Failure(failure::kInvalidPort, "Serial port COM" + std::to_string(port) +
                                             " does not exist: port numbers start at 1.");
  }
  path_ = PortDevicePath(port);
  name_ = PortName(port);
}

bool PosixCommControl::CommPortPath(std::string_view path) {
  path_ = path;
  name_ = Printable(path);
  return true;
}

void PosixCommControl::Settings(std::string_view settings) {
  line_ = ParseLineSettings(settings);
}

void PosixCommControl::PortOpen(bool open) {
  if (!open) {
    port_.reset();
    unsent_.clear();
    due_.clear();
    return;
  }
  if (PortOpen()) {
    return;
  }
  if (path_.empty()) {
    CommPort(1);
  }
  received_.clear();
  port_.emplace(path_, name_, line_);
}

void PosixCommControl::Output(std::string_view bytes) {
  if (!PortOpen()) {
    throw Failure(failure::kPortUnavailable, "Serial port " + name_ + " is closed.");
  }
  unsent_ += bytes;
  WritePending();
}

std::string PosixCommControl::Input() {
  if (PortOpen() && !ReadWaiting()) {
    HangUp();
  }
  return std::exchange(received_, {});
}

int PosixCommControl::PollFd() const {
  return PortOpen() ? port_->fd() : -1;
}

short PosixCommControl::PollEvents() const {
  return static_cast<short>(POLLIN | (unsent_.empty() ? 0 : POLLOUT));
}

void PosixCommControl::OnReady(short revents) {
  if (!PortOpen()) {
    return;
  }
  if (revents & POLLOUT) {
    WritePending();
  }
  if (!(revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) || !PortOpen()) {
    return;
  }
  const std::size_t before = received_.size();
  const bool alive = ReadWaiting() && !(revents & (POLLHUP | POLLERR | POLLNVAL));
  if (received_.size() > before && rThreshold_ > 0) {
    Raise(comm_event::kReceive);
  }
  if (!alive) {
    HangUp();
  }
}

bool PosixCommControl::TakeEvent() {
  if (due_.empty()) {
    return false;
  }
  commEvent_ = due_.front();
  due_.pop_front();
  return true;
}

void PosixCommControl::Raise(std::int16_t event) {
  if (std::find(due_.begin(), due_.end(), event) == due_.end()) {
    due_.push_back(event);
  }
}

// At most kReadPerTurn bytes a call, so that a writer faster than the program cannot
// keep the loop here: what is left is still waiting, and poll says so next turn.
bool PosixCommControl::ReadWaiting() {
  std::array<char, 1024> buffer;
  for (std::size_t taken = 0; taken < kReadPerTurn;) {
    const ssize_t count =
        ::read(port_->fd(), buffer.data(), std::min(buffer.size(), kReadPerTurn - taken));
    if (count > 0) {
      received_.append(buffer.data(), static_cast<std::size_t>(count));
      taken += static_cast<std::size_t>(count);
    } else if (count < 0 && errno == EINTR) {
      continue;
    } else {
      // 0 is end of file: a terminal that has hung up.
      return count < 0 && errno == EAGAIN;
    }
  }
  return true;
}

void PosixCommControl::WritePending() {
  const bool hadBytes = !unsent_.empty();
  while (!unsent_.empty()) {
    const ssize_t count = ::write(port_->fd(), unsent_.data(), unsent_.size());
    if (count > 0) {
      unsent_.erase(0, static_cast<std::size_t>(count));
    } else if (count < 0 && errno == EINTR) {
      continue;
    } else if (count < 0 && errno == EAGAIN) {
      return;  // the rest goes when the device takes more
    } else {
      HangUp();
      return;
    }
  }
  if (hadBytes && sThreshold_ > 0) {
    Raise(comm_event::kSend);
  }
}

// The line is gone (device unplugged, the other end of a pseudo-terminal closed):
// the port reads as closed from now on and is no longer watched.
void PosixCommControl::HangUp() {
  port_.reset();
  unsent_.clear();
  Raise(comm_event::kCarrierDetect);
}

}  // namespace quorvex::posix
