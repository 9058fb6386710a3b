// Numbers as settings hold them: signed 16-bit, rounded half to even.
#pragma once

#include <cstdint>
#include <string_view>

namespace quorvex {

enum class NumberError { kNone, kEmpty, kNotANumber, kOutOfRange };

struct Int16Result {
  std::int16_t value = 0;
  NumberError error = NumberError::kNone;
};

// Blanks around the number ignored, an optional sign, a decimal fraction rounded
// half to even; the result must lie in -32768..32767.
Int16Result ToInt16(std::string_view text);

}  // namespace quorvex
