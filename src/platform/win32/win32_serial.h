#pragma once

#include <functional>
#include <optional>

#include "platform/comm_control.h"
#include "platform/line_settings.h"
#include "platform/win32/win32_line_reader.h"

namespace quorvex::win32 {

// The serial control on a COM port. Its reader thread posts line_message values
// to `window`, which hands each to its On* function here; those raise OnComm
// through `onComm`, on the window thread.
class Win32Serial final : public CommControl {
 public:
  Win32Serial(HWND window, std::function<void()> onComm);
  ~Win32Serial() override;
  Win32Serial(const Win32Serial&) = delete;
  Win32Serial& operator=(const Win32Serial&) = delete;

  void CommPort(std::int16_t port) override { port_ = port; }
  void Settings(std::string_view settings) override;
  void RThreshold(std::int16_t count) override { rThreshold_ = count; }
  void SThreshold(std::int16_t count) override { sThreshold_ = count; }
  void PortOpen(bool open) override;
  bool PortOpen() const override { return static_cast<bool>(handle_); }
  void Output(std::string_view bytes) override;
  std::string Input() override;
  std::int16_t CommEvent() const override { return event_; }

  void OnBytes(WPARAM wParam, LPARAM lParam);
  void OnEvents(WPARAM events, LPARAM errors);
  void OnLost();
  void OnSent();

 private:
  bool Receive(WPARAM wParam, LPARAM lParam);
  void Raise(std::int16_t event);
  void Close();

  HWND window_;
  std::function<void()> onComm_;
  std::int16_t port_ = 1;
  LineSettings line_;
  std::int16_t rThreshold_ = 0;
  std::int16_t sThreshold_ = 0;
  std::int16_t event_ = 0;
  std::string received_;
  bool overflowed_ = false;
  UniqueHandle handle_;
  std::optional<LineReader> reader_;  // after handle_: stops before the handle closes
};

}  // namespace quorvex::win32
