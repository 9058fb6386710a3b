// What --version prints: one text for the program and its tools.
#pragma once

#include <string>

namespace quorvex {

// "quorvex 1.0.0" and a line end.
std::string VersionText();

}  // namespace quorvex
