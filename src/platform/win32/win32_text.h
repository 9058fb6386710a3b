// UTF-8, the program's text, to and from the system's UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace quorvex::win32 {

// Bytes that are not UTF-8 come out as U+FFFD, never as nothing.
std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

}  // namespace quorvex::win32
