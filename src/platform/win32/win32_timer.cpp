#include "platform/win32/win32_timer.h"

#include <timeapi.h>

namespace quorvex::win32 {

Win32Timer::~Win32Timer() {
  Enabled(false);
}

// At the system's default tick of about 15.6 ms a 10 ms interval would last 16 ms;
// the finer tick is asked for only while a timer runs, so an idle program costs none.
void Win32Timer::Enabled(bool enabled) {
  if (enabled) {
    if (!enabled_) {
      ::timeBeginPeriod(1);
    }
    // Setting an existing timer again starts its interval anew.
    ::SetTimer(window_, id_, kIntervalMs, nullptr);
  } else if (enabled_) {
    ::KillTimer(window_, id_);
    ::timeEndPeriod(1);
  }
  enabled_ = enabled;
}

}  // namespace quorvex::win32
