// Any bytes as tessora.ini: the record is filled, or the failure names the line and item.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/settings.h"
#include "platform/failure.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

int LineCount(std::string_view text) {
  int lines = 1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
      ++lines;
    }
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  quorvex::SettingsRecord settings;
  try {
    quorvex::ReadSettings(text, "tessora.ini", settings);
  } catch (const quorvex::Failure& failure) {
    Check(failure.number() == quorvex::failure::kTypeMismatch ||
          failure.number() == quorvex::failure::kOverflow);
    const std::string_view message = failure.what();
    constexpr std::string_view kPrefix = "tessora.ini, line ";
    Check(message.starts_with(kPrefix));
    const int line = std::atoi(std::string(message.substr(kPrefix.size())).c_str());
    Check(line >= 1 && line <= LineCount(text));
    Check(message.find(": the item \"") != std::string_view::npos);
    for (const char c : message) {
      Check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
    }
  }
  return 0;
}
