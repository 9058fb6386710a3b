// The tool's loop on POSIX, over a line already open.
#pragma once

#include <chrono>
#include <ostream>

#include "controller_options.h"
#include "posix_controller_line.h"

namespace quorvex::controller {

// How long the line may take no byte at all before what waits to go out is given
// up, once the input has ended.
inline constexpr std::chrono::seconds kDrainPatience{10};

// Prints what arrives on `out` (answering when asked) and sends the codes, then each
// line read from `input`; the exit status. Ends when the line closes, or when
// `input` ends (unless --listen) and what was typed has gone out, or nothing has for
// `patience`.
int ServeLine(PosixLine& line, const Options& options, int input, std::ostream& out,
              std::chrono::milliseconds patience = kDrainPatience);

}  // namespace quorvex::controller
