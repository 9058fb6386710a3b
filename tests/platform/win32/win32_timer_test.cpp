#include "platform/win32/win32_timer.h"

#include <gtest/gtest.h>

#include <optional>

namespace quorvex::win32 {
namespace {

struct Asked {
  HANDLE process = nullptr;
  PROCESS_INFORMATION_CLASS kind{};
  DWORD size = 0;
  std::optional<PROCESS_POWER_THROTTLING_STATE> state;
  int calls = 0;
};
Asked asked;
BOOL answer = TRUE;

BOOL WINAPI Recorded(HANDLE process, PROCESS_INFORMATION_CLASS kind, LPVOID data, DWORD size) {
  ++asked.calls;
  asked.process = process;
  asked.kind = kind;
  asked.size = size;
  if (size == sizeof(PROCESS_POWER_THROTTLING_STATE)) {
    asked.state = *static_cast<const PROCESS_POWER_THROTTLING_STATE*>(data);
  }
  return answer;
}

// The one request: this process, the timer resolution bit in the control mask and
// clear in the state, so a fine tick asked for is never ignored.
TEST(KeepFineTimers, AsksThatTimerResolutionIsAlwaysHonoured) {
  asked = {};
  answer = TRUE;
  EXPECT_TRUE(KeepFineTimers(Recorded));
  EXPECT_EQ(asked.calls, 1);
  EXPECT_EQ(asked.process, ::GetCurrentProcess());
  EXPECT_EQ(asked.kind, ProcessPowerThrottling);
  ASSERT_TRUE(asked.state.has_value());
  EXPECT_EQ(asked.state->Version, static_cast<ULONG>(PROCESS_POWER_THROTTLING_CURRENT_VERSION));
  EXPECT_EQ(asked.state->ControlMask,
            static_cast<ULONG>(PROCESS_POWER_THROTTLING_IGNORE_TIMER_RESOLUTION));
  EXPECT_EQ(asked.state->StateMask, 0u);
}

// A refusal, or a Windows without the call, is no failure of the start.
TEST(KeepFineTimers, ARefusalOrAnOlderWindowsIsAnswered) {
  asked = {};
  answer = FALSE;
  EXPECT_FALSE(KeepFineTimers(Recorded));
  EXPECT_EQ(asked.calls, 1);
  EXPECT_FALSE(KeepFineTimers(nullptr));
  // Windows 8 and later, and Wine, have it in kernel32.
  EXPECT_NE(SystemSetProcessInformation(), nullptr);
}

}  // namespace
}  // namespace quorvex::win32
