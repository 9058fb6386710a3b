#include "app/utf16.h"

#include <cstdint>

namespace quorvex {
namespace {

void AppendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The line the end of `text` is on, counting line ends as the item reader does.
int LineAtEnd(std::string_view text) {
  int line = 1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
      ++line;
    }
  }
  return line;
}

bool IsHighSurrogate(std::uint32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(std::uint32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

std::optional<Utf8FromUtf16> FromUtf16(std::string_view bytes) {
  const bool little = bytes.starts_with("\xFF\xFE");
  if (!little && !bytes.starts_with("\xFE\xFF")) {
    return std::nullopt;
  }
  const auto unit = [&](std::size_t at) -> std::uint32_t {
    const auto first = static_cast<unsigned char>(bytes[at]);
    const auto second = static_cast<unsigned char>(bytes[at + 1]);
    return little ? first | second << 8 : first << 8 | second;
  };
  Utf8FromUtf16 result;
  result.text.reserve(bytes.size());
  std::size_t at = 2;
  for (; at + 1 < bytes.size(); at += 2) {
    std::uint32_t c = unit(at);
    if (IsHighSurrogate(c) && at + 3 < bytes.size() && IsLowSurrogate(unit(at + 2))) {
      at += 2;
      c = 0x10000 + ((c - 0xD800) << 10) + (unit(at) - 0xDC00);
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      result.fault = "it holds half of a surrogate pair";
      break;
    }
    AppendUtf8(result.text, c);
  }
  if (result.fault.empty() && at < bytes.size()) {
    result.fault = "it ends in half a character";
  }
  if (!result.fault.empty()) {
    result.line = LineAtEnd(result.text);
    result.text.clear();
  }
  return result;
}

}  // namespace quorvex
