#include "platform/posix/posix_comm_control.h"

#include <poll.h>

#include <algorithm>
#include <utility>

namespace quorvex::posix {

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
  received_.clear();
  port_.emplace(where_, line_);
}

bool PosixCommControl::Output(std::string_view bytes) {
  if (!PortOpen()) {
    return false;
  }
  unsent_ += bytes;
  WritePending();
  return PortOpen();
}

// The device is read in OnReady alone: here only what that has gathered.
std::string PosixCommControl::Input() {
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
  const bool alive =
      port_->Read(received_, kReadPerTurn) && !(revents & (POLLHUP | POLLERR | POLLNVAL));
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

void PosixCommControl::WritePending() {
  const bool hadBytes = !unsent_.empty();
  if (!port_->Write(unsent_)) {
    HangUp();
    return;
  }
  if (hadBytes && unsent_.empty() && sThreshold_ > 0) {
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
