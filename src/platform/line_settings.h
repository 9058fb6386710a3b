#pragma once

#include <string_view>

namespace quorvex {

// "baud,parity,data bits,stop bits", as the serial control's Settings takes it.
struct LineSettings {
  int baud = 9600;
  char parity = 'n';  // n, e, o, m or s
  int dataBits = 8;
  int stopBits = 1;
  friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// Throws Failure (kInvalidProperty) naming the text when it is not of that form.
LineSettings ParseLineSettings(std::string_view text);

}  // namespace quorvex
