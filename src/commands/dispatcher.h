#pragma once

#include <string_view>

#include "app/program.h"

namespace quorvex {

// Reads what the controller sent (not on the send event) and acts on its codes.
void MSComm1_OnComm(Program& program);

// Acts on each code at the start of what remains of `input`, in order, line ends
// between them skipped; stops at the first character that begins no code. A lone
// code start at the end is kept for the next read, whose leading "0" completes it.
void DispatchCommand(Program& program, std::string_view input);

}  // namespace quorvex
