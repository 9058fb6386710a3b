// The controller's end of the line on Windows: a COM port opened, named and read
// as the program does its own, so that one thread may read while another writes.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/win32/win32_serial_port.h"

namespace quorvex::controller {

class Win32Line {
 public:
  // "3" or "COM3" (any case); throws quorvex::Failure naming the port and the reason.
  explicit Win32Line(std::string_view port);
  ~Win32Line();
  Win32Line(const Win32Line&) = delete;
  Win32Line& operator=(const Win32Line&) = delete;

  enum class Woke { kBytes, kStopped, kTimedOut, kGone };
  // Waits for bytes (then in `bytes`), for `stop` (may be null) to be signalled, or
  // `timeoutMs` (INFINITE: no limit). A read that a time-out or `stop` interrupts
  // runs on into the next call, so that no byte is lost between them.
  Woke Read(HANDLE stop, DWORD timeoutMs, std::string& bytes);
  // False once the line has gone. Safe while another thread is in Read.
  bool Write(std::string_view bytes) { return port_.Write(bytes, nullptr); }

 private:
  static constexpr std::size_t kReadSize = 4096;
  // What the system writes into until the read ends.
  struct Reading {
    OVERLAPPED overlapped{};
    win32::UniqueHandle done = win32::MakeEvent();
    char first = 0;
  };

  win32::SerialPort port_;
  std::unique_ptr<Reading> reading_;  // the first byte's read, while it runs
};

}  // namespace quorvex::controller
