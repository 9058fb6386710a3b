#include "common/number.h"

#include <limits>

#include "common/blanks.h"

namespace quorvex {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Beyond this the value is out of range whatever follows; stops the sum overflowing.
constexpr std::int64_t kCap = 1'000'000;

}  // namespace

Int16Result ToInt16(std::string_view text) {
  text = TrimBlanks(text);
  if (text.empty()) {
    return {.value = 0, .error = NumberError::kEmpty};
  }
  const bool negative = text.front() == '-';
  if (text.front() == '-' || text.front() == '+') {
    text.remove_prefix(1);
  }
  std::int64_t whole = 0;
  std::size_t i = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    whole = std::min(kCap, whole * 10 + (text[i] - '0'));
  }
  const std::size_t wholeDigits = i;
  // Fraction compared with one half: first digit, then whether anything non-zero follows.
  int firstFraction = -1;
  bool restNonZero = false;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i) {
      if (firstFraction < 0) {
        firstFraction = text[i] - '0';
      } else if (text[i] != '0') {
        restNonZero = true;
      }
    }
  }
  if (i != text.size() || (wholeDigits == 0 && firstFraction < 0)) {
    return {.value = 0, .error = NumberError::kNotANumber};
  }
  const bool aboveHalf = firstFraction > 5 || (firstFraction == 5 && restNonZero);
  const bool exactlyHalf = firstFraction == 5 && !restNonZero;
  if (aboveHalf || (exactlyHalf && whole % 2 == 1)) {
    ++whole;
  }
  const std::int64_t value = negative ? -whole : whole;
  if (value < std::numeric_limits<std::int16_t>::min() ||
      value > std::numeric_limits<std::int16_t>::max()) {
    return {.value = 0, .error = NumberError::kOutOfRange};
  }
  return {.value = static_cast<std::int16_t>(value), .error = NumberError::kNone};
}

}  // namespace quorvex
