// Bytes from the line as text: the one escaping the program's log and the controller
// tool share.
#pragma once

#include <string>
#include <string_view>

namespace quorvex {

// Quoted, with \r, \n, \t, \", \\ and \xNN for what is not printable ASCII.
std::string Quote(std::string_view bytes);

}  // namespace quorvex
