// How the controller tool writes and reads bytes as text.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "common/quote.h"

namespace quorvex::controller {

// The reverse of the escapes, for codes typed or given as arguments.
// Throws std::invalid_argument for a malformed escape.
std::string Unescape(std::string_view text);

// "HH:MM:SS.mmm", UTC.
std::string TimeOfDay(std::chrono::system_clock::time_point when);

}  // namespace quorvex::controller
