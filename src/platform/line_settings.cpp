#include "platform/line_settings.h"

#include <array>
#include <charconv>
#include <string>

#include "platform/failure.h"

namespace quorvex {
namespace {

std::array<std::string_view, 4> SplitFields(std::string_view text, bool& ok) {
  std::array<std::string_view, 4> fields;
  std::size_t count = 0;
  while (count < fields.size()) {
    const auto comma = text.find(',');
    fields[count++] = text.substr(0, comma);
    if (comma == std::string_view::npos) {
      break;
    }
    text.remove_prefix(comma + 1);
  }
  ok = count == fields.size() && text.find(',') == std::string_view::npos;
  return fields;
}

bool ToInt(std::string_view field, int& value) {
  const auto* end = field.data() + field.size();
  const auto [ptr, error] = std::from_chars(field.data(), end, value);
  return error == std::errc{} && ptr == end;
}

}  // namespace

LineSettings ParseLineSettings(std::string_view text) {
  bool ok = false;
  const auto fields = SplitFields(text, ok);
  LineSettings line;
  ok = ok && ToInt(fields[0], line.baud) && line.baud > 0;
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
