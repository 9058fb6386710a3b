// A serial device: opened for exclusive use with the line settings, read and written
// without blocking. The program's control and the controller tool both use it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/line_settings.h"
#include "platform/posix/posix_fd.h"
#include "platform/serial_port.h"

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

}  // namespace quorvex::posix
