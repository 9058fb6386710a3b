// The operator's clicks on the overlays, reported to the controller.
#pragma once

#include <string_view>

#include "platform/serial_line.h"

namespace quorvex {

// "101" on the line, for a click on frmMain; false when the port is closed or the
// line takes nothing.
bool SendButton1(SerialLine& MSComm1);
// "202", for a click on frmTwo.
bool SendButton2(SerialLine& MSComm1);

// What the operator reads, before the program ends, when a click cannot be sent.
constexpr std::string_view kPortClosed1 = "Port is closed.";
constexpr std::string_view kPortClosed2 = "Port is closed. Button 2";

}  // namespace quorvex
