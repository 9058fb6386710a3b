// The controller's end of the line on Windows: a COM port opened, named and read
// as the program does its own, so that one thread may read while another writes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/win32/win32_serial_port.h"

namespace quorvex::controller {

class Win32Line {
 public:
  // "3" or "COM3" (any case); throws quorvex::Failure naming the port and the reason.
  explicit Win32Line(std::string_view port);

  // Waits for bytes, or for `stop` to be signalled (then returns an empty string).
  // Nothing once the line has gone.
  std::optional<std::string> Read(HANDLE stop) { return port_.Read(kReadSize, stop); }
  // False once the line has gone. Safe while another thread is in Read.
  bool Write(std::string_view bytes) { return port_.Write(bytes, nullptr); }

 private:
  static constexpr std::size_t kReadSize = 4096;
  win32::SerialPort port_;
};

}  // namespace quorvex::controller
