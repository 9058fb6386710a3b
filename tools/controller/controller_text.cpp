#include "controller_text.h"

#include <charconv>
#include <cstdio>
#include <stdexcept>

namespace quorvex::controller {

std::string Unescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) {
      throw std::invalid_argument("a code ends in a lone \\");
    }
    switch (text[i]) {
      case 'r':
        out += '\r';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case '\\':
      case '"':
        out += text[i];
        break;
      case 'x': {
        unsigned value = 0;
        const char* first = text.data() + i + 1;
        const char* last = text.data() + std::min(text.size(), i + 3);
        const auto [end, error] = std::from_chars(first, last, value, 16);
        if (error != std::errc{} || end != last || last - first != 2) {
          throw std::invalid_argument("\\x needs two hex digits");
        }
        out += static_cast<char>(value);
        i += 2;
        break;
      }
      default:
        throw std::invalid_argument(std::string("unknown escape \\") + text[i]);
    }
  }
  return out;
}

std::string TimeOfDay(std::chrono::system_clock::time_point when) {
  using namespace std::chrono;
  const auto sinceMidnight = duration_cast<milliseconds>(when.time_since_epoch()) % days(1);
  const auto ms = sinceMidnight.count();
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld",
                static_cast<long long>(ms / 3'600'000), static_cast<long long>(ms / 60'000 % 60),
                static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
  return text;
}

}  // namespace quorvex::controller
