#pragma once

#include <functional>
#include <memory>

#include "platform/comm_control.h"
#include "platform/line_settings.h"
#include "platform/win32/win32_api.h"

namespace quorvex::win32 {

// The serial control on a COM port. The window thread never waits for the line:
// a reader thread gathers what arrives; Output starts a write and a writer thread
// finishes whatever the line holds back, and the writes queued behind it, in order.
// They tell `window` by messages without data, which the window hands to
// OnMessage; OnComm is raised from there, on the window thread.
class Win32Serial final : public CommControl {
 public:
  Win32Serial(HWND window, std::function<void()> onComm);
  ~Win32Serial() override;
  Win32Serial(const Win32Serial&) = delete;
  Win32Serial& operator=(const Win32Serial&) = delete;

  PortSystem Ports() const override { return PortSystem::kWindows; }
  void CommPort(const Port& port) override { port_ = port; }
  void Settings(std::string_view settings) override;
  void RThreshold(std::int16_t count) override { rThreshold_ = count; }
  void SThreshold(std::int16_t count) override { sThreshold_ = count; }
  void PortOpen(bool open) override;
  bool PortOpen() const override { return line_ != nullptr; }
  bool Output(std::string_view bytes) override;
  std::string Input() override;
  std::int16_t CommEvent() const override { return event_; }

  // True when the message was one of the line's, now handled.
  bool OnMessage(UINT message);

 private:
  class Line;
  void Raise(std::int16_t event);
  void Close();

  HWND window_;
  std::function<void()> onComm_;
  Port port_ = NumberedPort(1, PortSystem::kWindows);
  LineSettings settings_;
  std::int16_t rThreshold_ = 0;
  std::int16_t sThreshold_ = 0;
  std::int16_t event_ = 0;
  std::unique_ptr<Line> line_;
};

}  // namespace quorvex::win32
