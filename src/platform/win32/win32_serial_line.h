// The program's serial line on a COM port, for the window thread.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/serial_line.h"
#include "platform/win32/win32_api.h"

namespace quorvex::win32 {

// The window thread never waits for the line: a reader thread gathers what
// arrives; Write starts a write and a writer thread finishes whatever the line holds
// back, and the writes queued behind it, in order. They tell `window` by messages
// without data, which the window hands to OnMessage; `onInput` is called from
// there, on the window thread, when input or a hang-up is there.
//
// Only the first Open waits for the port. Each later one (RECONNECT's tries) starts
// the opening on a thread of its own, one at a time, and throws PortFailure until
// it is over; `onOpened` is then called on the window thread, and the next Open
// takes its result. A port whose opening blocks (Bluetooth) holds up nothing.
class Win32SerialLine final : public SerialLine {
 public:
  Win32SerialLine(HWND window, std::function<void()> onInput, std::function<void()> onOpened);
  ~Win32SerialLine() override;
  Win32SerialLine(const Win32SerialLine&) = delete;
  Win32SerialLine& operator=(const Win32SerialLine&) = delete;

  PortSystem Ports() const override { return PortSystem::kWindows; }
  void Open(const Port& port) override;
  bool IsOpen() const override { return line_ != nullptr; }
  bool Write(std::string_view bytes) override;
  std::string TakeInput() override;
  std::string LostReason() const override { return line_ ? std::string() : lostReason_; }
  std::string Caveat() const override { return line_ ? caveat_ : std::string(); }

  // True when the message was one of the line's, now handled. A removal of the
  // port's device asked for (WM_DEVICECHANGE) closes the port and keeps the line;
  // one cancelled opens it again, one done is the line lost, as a failed read is.
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // The watch on the open port's device, kept while a removal is asked for; null
  // when none. What the system's notifications name.
  HDEVNOTIFY removalWatch() const { return removal_; }

 private:
  class Line;
  struct Attempt;
  void Adopt(std::unique_ptr<Line> line);
  void StartAttempt(bool reopen);
  std::unique_ptr<Line> TakeAttempt();
  void Close();
  void Lose(std::string reason);
  void WatchRemoval();
  void Unwatch();
  void OnDeviceChange(WPARAM event, LPARAM data);

  HWND window_;
  std::function<void()> onInput_;
  std::function<void()> onOpened_;
  std::unique_ptr<Line> line_;
  std::string lostReason_;
  std::string caveat_;
  std::optional<Port> port_;  // the last one asked for
  bool tried_ = false;        // the first Open, which waits, is done
  // Closed for a removal asked for, still watched for its outcome.
  bool suspended_ = false;
  std::shared_ptr<Attempt> attempt_;  // an opening on its own thread, or its result
  HDEVNOTIFY removal_ = nullptr;
};

}  // namespace quorvex::win32
