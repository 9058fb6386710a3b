// The program's serial line on a COM port, for the window thread.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/serial_line.h"
#include "platform/win32/win32_api.h"

namespace quorvex::win32 {

// The window thread never waits for the line: a reader thread gathers what
// arrives; Write starts a write and a writer thread finishes whatever the line holds
// back, and the writes queued behind it, in order. They tell `window` by messages
// without data, which the window hands to OnMessage; `onInput` is called from
// there, on the window thread, when input or a hang-up is there.
class Win32SerialLine final : public SerialLine {
 public:
  Win32SerialLine(HWND window, std::function<void()> onInput);
  ~Win32SerialLine() override;
  Win32SerialLine(const Win32SerialLine&) = delete;
  Win32SerialLine& operator=(const Win32SerialLine&) = delete;

  PortSystem Ports() const override { return PortSystem::kWindows; }
  void Open(const Port& port) override;
  bool IsOpen() const override { return line_ != nullptr; }
  bool Write(std::string_view bytes) override;
  std::string TakeInput() override;
  std::string LostReason() const override { return line_ ? std::string() : lostReason_; }

  // True when the message was one of the line's, now handled. The port's device
  // removed (WM_DEVICECHANGE) is the line lost, as a failed read or write is.
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  class Line;
  void Close();
  void Lose(std::string reason);
  void WatchRemoval();
  bool IsRemoval(WPARAM event, LPARAM data) const;

  HWND window_;
  std::function<void()> onInput_;
  std::unique_ptr<Line> line_;
  std::string lostReason_;
  HDEVNOTIFY removal_ = nullptr;
};

}  // namespace quorvex::win32
