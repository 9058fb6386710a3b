#pragma once

#include <string_view>

#include "app/program.h"

namespace quorvex {

constexpr std::string_view kRelayText = "2 Clicked";

namespace frmMain {
void Form_Click(Program& program);
}  // namespace frmMain

namespace frmTwo {
// Hands the click to frmMain through txtIncoming, whose change handler sends it.
void Form_Click(Program& program);
}  // namespace frmTwo

// "101" on the line; with the port closed, its message and the end.
void SendButton1(Program& program);
void txtIncoming_Change(Program& program);
// "202" on the line; with the port closed, its message and the end.
void SendButton2(Program& program);

}  // namespace quorvex
