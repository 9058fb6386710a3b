#include "platform/win32/win32_comm_events.h"

#include <array>
#include <utility>

namespace quorvex::win32 {

std::vector<std::int16_t> LineEvents(DWORD events, DWORD errors) {
  constexpr std::array<std::pair<DWORD, std::int16_t>, 6> kErrors{{
      {CE_BREAK, comm_line::kBreak},
      {CE_FRAME, comm_line::kFraming},
      {CE_OVERRUN, comm_line::kOverrun},
      {CE_RXOVER, comm_line::kReceiveOverflow},
      {CE_RXPARITY, comm_line::kParity},
      {CE_TXFULL, comm_line::kTransmitFull},
  }};
  constexpr std::array<std::pair<DWORD, std::int16_t>, 4> kStates{{
      {EV_CTS, comm_line::kClearToSend},
      {EV_DSR, comm_line::kDataSetReady},
      {EV_RLSD, comm_event::kCarrierDetect},
      {EV_RING, comm_line::kRing},
  }};
  std::vector<std::int16_t> raised;
  if ((events & EV_BREAK) != 0) {
    errors |= CE_BREAK;
  }
  for (const auto& [flag, event] : kErrors) {
    if ((errors & flag) != 0) {
      raised.push_back(event);
    }
  }
  for (const auto& [bit, event] : kStates) {
    if ((events & bit) != 0) {
      raised.push_back(event);
    }
  }
  return raised;
}

}  // namespace quorvex::win32
