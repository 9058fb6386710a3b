#pragma once

#include <array>
#include <string_view>
#include <thread>

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_serial_port.h"

namespace quorvex::win32 {

// The one thread besides the window thread. It reads the line (overlapped
// ReadFile, and WaitCommEvent for line states where the driver has them) and
// only posts what it finds to the program's message window, bytes inside the
// messages themselves; all logic stays on the window thread, and the messages
// also reach a message box's modal loop. When the line goes away it posts
// line_message::kLost once and ends, so nothing spins.
class LineReader {
 public:
  LineReader(HANDLE port, HWND window);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

 private:
  class Pending;
  enum class Woken { kStop, kRead, kLineState, kFailed };
  void Read();
  Woken Next(const Pending& read, const Pending& wait) const;
  bool Deliver(Pending& read);
  void Post(UINT message, WPARAM wParam, LPARAM lParam) const;
  void PostBytes(std::string_view bytes) const;

  HANDLE port_;
  HWND window_;
  UniqueHandle stop_ = MakeEvent();
  // Written by the system while an operation runs: outlive every operation.
  std::array<char, kReceiveBufferSize> bytes_{};
  DWORD events_ = 0;
  std::jthread thread_;  // last: starts once the rest is in place, joins first
};

}  // namespace quorvex::win32
