// What Quorvex says on the line of its own accord: each click code's outcome (REPORT)
// and a heartbeat (HEARTBEAT). Every token it writes is prefix-free: "some data",
// "101", "202", "11", "19", "21", "29", "31", "39", "00".
#pragma once

#include <string_view>

#include "app/program.h"

namespace quorvex {

// REPORT:1: "11" once a "10" was made, "19" once it was not; likewise "21"/"29" and
// "31"/"39".
void Report(Program& program, std::string_view code, bool made);

// HEARTBEAT:n: starts its timer.
void StartHeartbeat(Program& program);
// "00" while the line is up.
void Beat(Program& program);

}  // namespace quorvex
