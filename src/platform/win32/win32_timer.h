// The restore timers on Windows: system timers of the message window.
#pragma once

#include "platform/timer.h"
#include "platform/win32/win32_api.h"

namespace quorvex::win32 {

using SetProcessInformationCall = BOOL(WINAPI*)(HANDLE, PROCESS_INFORMATION_CLASS, LPVOID, DWORD);

// Windows 11 may let the fine tick go for a process whose windows are all occluded or
// nearly transparent, as the overlays are: this process asks to keep it. `call` is the
// system's SetProcessInformation, absent before Windows 8. True if the request was taken.
bool KeepFineTimers(SetProcessInformationCall call);
// The system's own, or null where it has none.
SetProcessInformationCall SystemSetProcessInformation();

// A system timer of the program's message window: ticks arrive as WM_TIMER with this id.
class Win32Timer final : public Timer {
 public:
  Win32Timer(HWND window, UINT_PTR id, UINT intervalMs = kIntervalMs)
      : window_(window), id_(id), intervalMs_(intervalMs) {}
  ~Win32Timer() override;
  Win32Timer(const Win32Timer&) = delete;
  Win32Timer& operator=(const Win32Timer&) = delete;

  void Enabled(bool enabled) override;
  bool Enabled() const override { return enabled_; }
  void Interval(std::chrono::milliseconds interval) override {
    intervalMs_ = static_cast<UINT>(interval.count());
  }
  UINT_PTR id() const { return id_; }

 private:
  HWND window_;
  UINT_PTR id_;
  UINT intervalMs_;
  bool enabled_ = false;
};

}  // namespace quorvex::win32
