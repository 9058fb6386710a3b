// A COM port: opened, set up, read and written with overlapped I/O. The program's
// serial control and the controller tool both use it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "common/port.h"
#include "platform/serial_line.h"
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

  // The system finished it inside Read or Write: Wait will not wait.
  bool doneAtOnce() const { return doneAtOnce_; }

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
  bool doneAtOnce_ = false;
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

  // Write in two halves, for a thread that must not wait: what the line takes at
  // once goes now; kHeldBack leaves a write running for FinishWrite, which may be
  // called from another thread (never two at a time).
  enum class Sent { kAll, kHeldBack, kFailed };
  Sent StartWrite(std::string_view bytes);
  bool FinishWrite(HANDLE stop);

  HANDLE handle() const { return handle_.get(); }

 private:
  Sent WriteWhatGoesAtOnce();

  UniqueHandle handle_;
  std::string unwritten_;  // the system reads it while a write runs: outlives writing_
  Overlapped reading_{handle_.get()};
  Overlapped writing_{handle_.get()};
};

}  // namespace quorvex::win32
