// A serial device: opened for exclusive use with the line settings, read and written
// without blocking; the controller tool uses it as it is, the program as its line.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "common/port.h"
#include "platform/posix/posix_fd.h"
#include "platform/serial_line.h"

namespace quorvex::posix {

// An open, exclusively held serial device in raw mode with the given line settings,
// non-blocking. Throws PortFailure naming the port and the system's reason.
class SerialPort {
 public:
  SerialPort(const Port& port, const LineSettings& line);
  SerialPort(SerialPort&&) = default;
  SerialPort& operator=(SerialPort&&) = default;
  ~SerialPort();

  int fd() const { return fd_.get(); }

  // Appends what waits, up to `max` bytes; false once the line has hung up.
  bool Read(std::string& into, std::size_t max);
  // Writes what the device takes now and removes it from `bytes`; false once the
  // line has failed.
  bool Write(std::string& bytes);

 private:
  UniqueFd fd_;
};

// Raw mode, no flow control, receiver on, modem lines ignored; throws PortFailure,
// 380 for a speed or framing the device cannot take.
void ConfigureLine(int fd, const LineSettings& line, const Port& port);

// Asks the driver to hand on received bytes at once (a USB adapter otherwise holds
// them up to 16 ms); true when it took the request. A line without the setting (a
// pseudo-terminal, some drivers) is used as it is.
bool RequestLowLatency(int fd);

// The program's line on a serial device, for a poll loop: the loop watches PollFd
// for PollEvents, hands what poll said to Polled, and raises MSComm1_OnComm when
// that says input or a hang-up is there.
class PosixSerialLine final : public SerialLine {
 public:
  // The most one read takes from the device, so that timers and the desktop keep
  // their turn while the line floods.
  static constexpr std::size_t kReadPerTurn = 4096;

  PortSystem Ports() const override { return PortSystem::kPosix; }
  void Open(const Port& port) override;
  bool IsOpen() const override { return port_.has_value(); }
  bool Write(std::string_view bytes) override;
  std::string TakeInput() override;
  std::string LostReason() const override { return IsOpen() ? std::string() : lostReason_; }

  // -1 when there is nothing to watch.
  int PollFd() const { return IsOpen() ? port_->fd() : -1; }
  // Counts the opens: after a close the same descriptor's number may come back.
  unsigned Opened() const { return opened_; }
  short PollEvents() const;
  // Writes what the device takes now; true when input or a hang-up waits.
  bool Polled(short revents);
  // Gone for good: the line reads as closed from now on.
  void Close();

 private:
  void Flush();
  void Lose(int error);

  std::optional<SerialPort> port_;
  std::string unsent_;
  bool hungUp_ = false;
  unsigned opened_ = 0;
  std::string lostReason_;
};

}  // namespace quorvex::posix
