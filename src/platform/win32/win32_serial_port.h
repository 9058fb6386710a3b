// A COM port: opened, set up, read and written with overlapped I/O. The program's
// serial control and the controller tool both use it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/line_settings.h"
#include "platform/serial_port.h"
#include "platform/win32/win32_handles.h"

namespace quorvex::win32 {

constexpr std::size_t kReceiveBufferSize = 1024;
constexpr std::size_t kTransmitBufferSize = 512;

// One overlapped read or write on a handle at a time. One still running when it
// goes is cancelled and waited for: the system fills its buffer until it ends.
class Overlapped {
 public:
  explicit Overlapped(HANDLE handle) : handle_(handle) {}
  ~Overlapped() { Cancel(); }
  Overlapped(const Overlapped&) = delete;
  Overlapped& operator=(const Overlapped&) = delete;

  // False when the system refused to start it.
  bool Read(char* into, DWORD count);
  bool Write(const char* from, DWORD count);

  enum class Ended { kDone, kFailed, kStopped };
  // Until it ends, or `stop` (may be null) is signalled and it has been cancelled.
  Ended Wait(HANDLE stop, DWORD& moved);
  void Cancel();

 private:
  bool Started(BOOL doneAtOnce);

  HANDLE handle_;
  UniqueHandle done_ = MakeEvent();
  OVERLAPPED overlapped_{};
  bool running_ = false;
};

// Opened for overlapped use and set up: the line settings, no handshaking, buffers
// of 1024 in and 512 out, no time-outs. One thread may read while another writes.
class SerialPort {
 public:
  // Throws PortFailure naming the port and the system's reason.
  SerialPort(const Port& port, const LineSettings& line);

  // Waits for a byte, then takes what else has come, `max` bytes at most. Empty when
  // `stop` (may be null) was signalled first; nothing once the line is gone.
  std::optional<std::string> Read(std::size_t max, HANDLE stop);
  // Every byte, however long the line holds them back. False once the line is
  // gone, or when `stop` was signalled first.
  bool Write(std::string_view bytes, HANDLE stop);

 private:
  UniqueHandle handle_;
  Overlapped reading_{handle_.get()};
  Overlapped writing_{handle_.get()};
};

}  // namespace quorvex::win32
