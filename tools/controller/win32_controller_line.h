// The controller's end of the line on Windows: a COM port opened as the program
// opens its own, read with overlapped I/O so that another thread may write.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/win32/win32_handles.h"

namespace quorvex::controller {

// "3" or "COM3" (any case); throws quorvex::Failure for anything else.
std::int16_t PortNumber(std::string_view port);

class Win32Line {
 public:
  // Throws quorvex::Failure naming the port and the system's reason.
  explicit Win32Line(std::string_view port);

  // Waits for bytes, or for `stop` to be signalled (then returns an empty string).
  // Nothing once the line has gone.
  std::optional<std::string> Read(HANDLE stop);
  // False once the line has gone. Safe while another thread is in Read.
  bool Write(std::string_view bytes);

 private:
  win32::UniqueHandle port_;
  win32::UniqueHandle readDone_ = win32::MakeEvent();
};

}  // namespace quorvex::controller
