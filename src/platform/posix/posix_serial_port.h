// Opening a serial device: the port naming rules, exclusive use and the line settings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/line_settings.h"
#include "platform/posix/posix_fd.h"

namespace quorvex::posix {

// COMn is /dev/ttyS(n-1) on Linux.
std::string PortDevicePath(std::int16_t port);

// An open, exclusively held serial device in raw mode with the given line settings,
// non-blocking. Throws Failure naming the port (`name`, e.g. "COM3 (/dev/ttyS2)")
// and the system's reason.
class SerialPort {
 public:
  SerialPort(const std::string& path, const std::string& name, const LineSettings& line);
  SerialPort(SerialPort&&) = default;
  SerialPort& operator=(SerialPort&&) = default;
  ~SerialPort();

  int fd() const { return fd_.get(); }
  bool IsOpen() const { return static_cast<bool>(fd_); }
  // Gives up the exclusive hold and closes; the destructor then does nothing.
  void Close();

 private:
  UniqueFd fd_;
};

// Raw mode, no flow control, receiver on, modem lines ignored; throws Failure
// (kInvalidProperty) for a speed or framing the device cannot take.
void ConfigureLine(int fd, const LineSettings& line, std::string_view name);

}  // namespace quorvex::posix
