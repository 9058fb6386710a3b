// Which window WINDOW names: one rule for the program, on every platform, and the
// commissioning tool.
#pragma once

#include <string_view>

namespace quorvex {

// The WINDOW text as it is looked for: blanks at either end do not count.
constexpr std::string_view TitlePart(std::string_view window) {
  constexpr std::string_view kBlanks = " \t";
  const auto first = window.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) {
    return {};
  }
  return window.substr(first, window.find_last_not_of(kBlanks) - first + 1);
}

// Case-sensitive, byte for byte: a title that is not valid UTF-8 is still compared.
constexpr bool TitleMatches(std::string_view title, std::string_view part) {
  return !part.empty() && title.find(part) != std::string_view::npos;
}

}  // namespace quorvex
