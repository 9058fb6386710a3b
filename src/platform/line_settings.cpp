#include "platform/line_settings.h"

#include <array>
#include <charconv>
#include <optional>
#include <string>

#include "platform/failure.h"

namespace quorvex {
namespace {

// Exactly four comma-separated fields, or none at all.
std::optional<std::array<std::string_view, 4>> SplitFields(std::string_view text) {
  std::array<std::string_view, 4> fields;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const auto comma = text.find(',');
    const bool last = i + 1 == fields.size();
    if (last != (comma == std::string_view::npos)) {
      return std::nullopt;
    }
    fields[i] = text.substr(0, comma);
    text.remove_prefix(last ? text.size() : comma + 1);
  }
  return fields;
}

bool ToInt(std::string_view field, int& value) {
  const auto* end = field.data() + field.size();
  const auto [ptr, error] = std::from_chars(field.data(), end, value);
  return error == std::errc{} && ptr == end;
}

}  // namespace

LineSettings ParseLineSettings(std::string_view text) {
  const auto split = SplitFields(text);
  const std::array<std::string_view, 4> fields = split.value_or(std::array<std::string_view, 4>{});
  LineSettings line;
  bool ok = split && ToInt(fields[0], line.baud) && line.baud > 0;
  ok = ok && fields[1].size() == 1 &&
       std::string_view("neoms").find(fields[1][0] | 0x20) != std::string_view::npos;
  ok = ok && ToInt(fields[2], line.dataBits) && line.dataBits >= 5 && line.dataBits <= 8;
  ok = ok && ToInt(fields[3], line.stopBits) && (line.stopBits == 1 || line.stopBits == 2);
  if (!ok) {
    throw Failure(failure::kInvalidProperty,
                  "Serial line settings \"" + std::string(text) +
                      "\" are not of the form baud,parity,data bits,stop bits.");
  }
  line.parity = static_cast<char>(fields[1][0] | 0x20);
  return line;
}

}  // namespace quorvex
