#include "platform/win32/win32_timer.h"

namespace quorvex::win32 {

Win32Timer::~Win32Timer() {
  Enabled(false);
}

void Win32Timer::Enabled(bool enabled) {
  if (enabled) {
    // Setting an existing timer again starts its interval anew.
    ::SetTimer(window_, id_, kIntervalMs, nullptr);
  } else if (enabled_) {
    ::KillTimer(window_, id_);
  }
  enabled_ = enabled;
}

}  // namespace quorvex::win32
