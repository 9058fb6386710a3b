#include "common/quote.h"

#include <cstdio>

namespace quorvex {

std::string Quote(std::string_view bytes) {
  std::string out = "\"";
  for (const char c : bytes) {
    switch (c) {
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (c >= 0x20 && c < 0x7F) {
          out += c;
        } else {
          char hex[5];
          std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
          out += hex;
        }
    }
  }
  return out + "\"";
}

}  // namespace quorvex
