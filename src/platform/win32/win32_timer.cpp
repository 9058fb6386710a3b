#include "platform/win32/win32_timer.h"

#include <timeapi.h>

namespace quorvex::win32 {

Win32Timer::~Win32Timer() {
  Enabled(false);
}

namespace {

// The system's default tick of about 15.6 ms.
constexpr UINT kCoarseTickMs = 16;

}  // namespace

// At the default tick a 10 ms interval would last 16 ms; the finer tick is asked for
// only while such a timer runs, so an idle program costs none.
void Win32Timer::Enabled(bool enabled) {
  const bool fine = intervalMs_ < kCoarseTickMs;
  if (enabled) {
    if (!enabled_ && fine) {
      ::timeBeginPeriod(1);
    }
    // Setting an existing timer again starts its interval anew.
    ::SetTimer(window_, id_, intervalMs_, nullptr);
  } else if (enabled_) {
    ::KillTimer(window_, id_);
    if (fine) {
      ::timeEndPeriod(1);
    }
  }
  enabled_ = enabled;
}

bool KeepFineTimers(SetProcessInformationCall call) {
  if (call == nullptr) {
    return false;
  }
  PROCESS_POWER_THROTTLING_STATE state{};
  state.Version = PROCESS_POWER_THROTTLING_CURRENT_VERSION;
  // In the mask with its bit clear: the resolution asked for is always honoured.
  state.ControlMask = PROCESS_POWER_THROTTLING_IGNORE_TIMER_RESOLUTION;
  state.StateMask = 0;
  return call(::GetCurrentProcess(), ProcessPowerThrottling, &state, sizeof state) != FALSE;
}

SetProcessInformationCall SystemSetProcessInformation() {
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  return kernel == nullptr ? nullptr
                           : reinterpret_cast<SetProcessInformationCall>(reinterpret_cast<void*>(
                                 ::GetProcAddress(kernel, "SetProcessInformation")));
}

}  // namespace quorvex::win32
