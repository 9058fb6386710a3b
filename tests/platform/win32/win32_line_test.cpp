#include <gtest/gtest.h>

#include <string>

#include "platform/failure.h"
#include "platform/win32/win32_comm_events.h"
#include "platform/win32/win32_line_messages.h"
#include "platform/win32/win32_serial_port.h"

namespace quorvex::win32 {
namespace {

// Bytes cross from the reader thread inside messages: any byte, any count up to eight.
TEST(PackedBytes, CarryEveryByteValueAndTheEndOfARead) {
  const std::string cases[] = {"", "1", "10", std::string("\0\x01\x7f\x80", 4),
                               "\xff\xfe\xfd\xfc\xfb\xfa\xf9\xf8"};
  for (const std::string& bytes : cases) {
    for (const bool last : {false, true}) {
      const PackedBytes packed = PackBytes(bytes, last);
      std::string unpacked = "kept";
      EXPECT_EQ(UnpackBytes(packed.wParam, packed.lParam, unpacked), last);
      EXPECT_EQ(unpacked, "kept" + bytes);
    }
  }
}

TEST(PackedBytes, TakeNoMoreThanOneMessageHolds) {
  const PackedBytes packed = PackBytes("0123456789", true);
  std::string unpacked;
  UnpackBytes(packed.wParam, packed.lParam, unpacked);
  EXPECT_EQ(unpacked, "01234567");
}

TEST(LineEvents, ErrorsComeBeforeLineStatesAndABreakOnlyOnce) {
  EXPECT_EQ(LineEvents(EV_RLSD | EV_BREAK | EV_CTS, CE_BREAK | CE_FRAME),
            (std::vector<std::int16_t>{comm_line::kBreak, comm_line::kFraming,
                                       comm_line::kClearToSend, comm_event::kCarrierDetect}));
  EXPECT_EQ(LineEvents(EV_DSR | EV_RING, CE_OVERRUN | CE_RXOVER | CE_RXPARITY | CE_TXFULL),
            (std::vector<std::int16_t>{comm_line::kOverrun, comm_line::kReceiveOverflow,
                                       comm_line::kParity, comm_line::kTransmitFull,
                                       comm_line::kDataSetReady, comm_line::kRing}));
  EXPECT_TRUE(LineEvents(EV_RXCHAR | EV_TXEMPTY, 0).empty());
}

TEST(CommPort, NumbersBelowOneAreNoPort) {
  for (const std::int16_t number : {0, -1}) {
    try {
      OpenCommPort(number, {});
      ADD_FAILURE() << "COM" << number << " opened";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), failure::kInvalidPort);
      EXPECT_NE(std::string(failure.what()).find(PortName(number)), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace quorvex::win32
