// Settings saved as UTF-16 (Notepad's "Unicode"), read as UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvex {

struct Utf8FromUtf16 {
  std::string text;        // without the byte-order mark
  std::string_view fault;  // empty when the whole text was valid UTF-16
  int line = 0;            // where the fault is, from 1
};

// A text that begins with a UTF-16 byte-order mark (FF FE little-endian, FE FF
// big-endian) as UTF-8, line ends and all; nothing for any other text.
std::optional<Utf8FromUtf16> FromUtf16(std::string_view bytes);

}  // namespace quorvex
