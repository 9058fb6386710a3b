// The serial control on a POSIX serial device, driven by the host's poll loop.
#pragma once

#include <deque>
#include <optional>
#include <string>

#include "platform/comm_control.h"
#include "platform/line_settings.h"
#include "platform/posix/posix_serial_port.h"

namespace quorvex::posix {

class PosixCommControl final : public CommControl {
 public:
  // The most one turn of the loop takes from the device, so that timers and the
  // desktop keep their turn while the line floods.
  static constexpr std::size_t kReadPerTurn = 4096;

  PortSystem Ports() const override { return PortSystem::kPosix; }
  void CommPort(const Port& port) override { where_ = port; }
  void Settings(std::string_view settings) override;
  void RThreshold(std::int16_t count) override { rThreshold_ = count; }
  void SThreshold(std::int16_t count) override { sThreshold_ = count; }
  void PortOpen(bool open) override;
  bool PortOpen() const override { return port_.has_value(); }
  bool Output(std::string_view bytes) override;
  std::string Input() override;
  std::int16_t CommEvent() const override { return commEvent_; }

  // For the poll loop: the descriptor to watch (-1 when none) and for what.
  int PollFd() const;
  short PollEvents() const;
  void OnReady(short revents);
  // Raises the next OnComm, if one is due: true when `commEvent_` now holds it.
  bool TakeEvent();
  bool HasEvent() const { return !due_.empty(); }

 private:
  void Raise(std::int16_t event);
  void WritePending();
  void HangUp();

  Port where_ = NumberedPort(1, PortSystem::kPosix);
  LineSettings line_;
  std::int16_t rThreshold_ = 0;
  std::int16_t sThreshold_ = 0;
  std::optional<SerialPort> port_;
  std::string received_;
  std::string unsent_;
  std::deque<std::int16_t> due_;
  std::int16_t commEvent_ = 0;
};

}  // namespace quorvex::posix
