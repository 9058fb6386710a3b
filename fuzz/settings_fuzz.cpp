// Any bytes as tessora.ini: the record is filled, or the failure names the line and item;
// the same text saved as UTF-16, either byte order, reads exactly as it does in 8 bits.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/settings.h"
#include "app/utf16.h"
#include "common/failure.h"

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

struct Outcome {
  quorvex::SettingsRecord settings;
  int failure = 0;
  std::string message;
  bool operator==(const Outcome&) const = default;
};

Outcome Read(std::string_view text) {
  Outcome outcome;
  try {
    quorvex::ReadSettings(text, "tessora.ini", outcome.settings);
  } catch (const quorvex::Failure& failure) {
    outcome.failure = failure.number();
    outcome.message = failure.what();
  }
  return outcome;
}

// Each byte one character, as an editor saving the text as UTF-16 would write it.
std::string Utf16(std::string_view text, bool little) {
  std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
  for (const char c : text) {
    bytes += little ? std::string{c, '\0'} : std::string{'\0', c};
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const Outcome outcome = Read(text);
  if (outcome.failure != 0) {
    const auto unicode = quorvex::FromUtf16(text);
    Check(outcome.failure == quorvex::failure::kTypeMismatch ||
          outcome.failure == quorvex::failure::kOverflow ||
          (outcome.failure == quorvex::failure::kFileAccess && unicode && !unicode->fault.empty()));
    const std::string_view message = outcome.message;
    constexpr std::string_view kPrefix = "tessora.ini, line ";
    Check(message.starts_with(kPrefix));
    const int line = std::atoi(std::string(message.substr(kPrefix.size())).c_str());
    // A UTF-16 file's bytes hold at least as many line ends as its text.
    const bool decoded = unicode && unicode->fault.empty();
    Check(line >= 1 && line <= LineCount(decoded ? std::string_view(unicode->text) : text));
    Check(message.find(outcome.failure == quorvex::failure::kFileAccess
                           ? ": the file begins as UTF-16"
                           : ": the item \"") != std::string_view::npos);
    for (const char c : message) {
      Check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
    }
  }
  bool ascii = true;
  for (const char c : text) {
    ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  }
  if (ascii) {
    Check(Read(Utf16(text, true)) == outcome);
    Check(Read(Utf16(text, false)) == outcome);
  }
  return 0;
}
