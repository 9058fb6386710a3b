#pragma once

#include <cstdint>
#include <vector>

#include "platform/comm_control.h"
#include "platform/win32/win32_api.h"

namespace quorvex::win32 {

// Waited for by the reader thread; bytes and writes are noticed as they happen.
constexpr DWORD kLineStateEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING | EV_ERR | EV_BREAK;

// The CommEvent values beyond those of comm_event, one for each line state and error.
namespace comm_line {
constexpr std::int16_t kClearToSend = 3;
constexpr std::int16_t kDataSetReady = 4;
constexpr std::int16_t kRing = 6;
constexpr std::int16_t kBreak = 1001;
constexpr std::int16_t kFraming = 1004;
constexpr std::int16_t kOverrun = 1006;
constexpr std::int16_t kReceiveOverflow = 1008;
constexpr std::int16_t kParity = 1009;
constexpr std::int16_t kTransmitFull = 1010;
}  // namespace comm_line

// Line-state and error events for the reader's EV_ bits and ClearCommError's CE_
// flags, errors first; receive and send are left to the caller, which knows the thresholds.
std::vector<std::int16_t> LineEvents(DWORD events, DWORD errors);

}  // namespace quorvex::win32
