#include "align_production.h"

#include <optional>
#include <vector>

#include "app/item_reader.h"
#include "app/settings.h"
#include "app/utf16.h"
#include "common/blanks.h"

namespace quorvex::align {
namespace {

constexpr std::string_view kVersionKey = "VERSION:";
constexpr std::string_view kProduction = "100";

bool IsVersionItem(std::string_view item) {
  const SettingsKey* key = KeyOf(item);
  return key != nullptr && key->name == kVersionKey;
}

struct Edit {
  std::size_t at = 0;
  std::size_t length = 0;
  std::string with;
};

// Only the number when the item is the usual "VERSION: 101 "; the whole item, blanks
// around it kept, when it is anything stranger ("1VERSION:01").
Edit EditFor(std::string_view text, std::string_view item) {
  const std::size_t itemAt = static_cast<std::size_t>(item.data() - text.data());
  const std::size_t valueAt = item.rfind(kVersionKey) + kVersionKey.size();
  std::string before(item.substr(0, valueAt));
  for (auto key = before.find(kVersionKey); key != std::string::npos;
       key = before.find(kVersionKey)) {
    before.erase(key, kVersionKey.size());
  }
  const std::string_view value = item.substr(valueAt);
  const std::string_view number = TrimBlanks(value);
  if (TrimBlanks(before).empty() && !number.empty()) {
    return {itemAt + valueAt + static_cast<std::size_t>(number.data() - value.data()),
            number.size(), std::string(kProduction)};
  }
  const std::string_view whole = TrimBlanks(item);
  return {itemAt + static_cast<std::size_t>(whole.data() - item.data()), whole.size(),
          std::string(kVersionKey) + std::string(kProduction)};
}

// UTF-16 code units in UTF-8 text: four-byte sequences take two.
std::size_t Utf16Units(std::string_view utf8) {
  std::size_t units = 0;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    units += (byte & 0xC0) != 0x80;
    units += byte >= 0xF0;
  }
  return units;
}

}  // namespace

ProductionEdit ToProduction(std::string_view bytes) {
  const std::optional<Utf8FromUtf16> unicode = FromUtf16(bytes);
  const std::string_view text = unicode ? std::string_view(unicode->text) : bytes;
  ProductionEdit result;
  std::vector<Edit> edits;
  ItemReader reader(text);
  while (const auto item = reader.Next()) {
    if (IsVersionItem(item->text)) {
      edits.push_back(EditFor(text, item->text));
      result.firstLine = result.firstLine ? result.firstLine : item->line;
    }
  }
  result.items = static_cast<int>(edits.size());
  result.bytes = bytes;
  const bool little = bytes.starts_with("\xFF\xFE");
  // From the end, so that each edit's place is still where it was found.
  for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit) {
    if (!unicode) {
      result.bytes.replace(edit->at, edit->length, edit->with);
      continue;
    }
    std::string wide;
    for (const char c : edit->with) {
      wide += little ? std::string{c, '\0'} : std::string{'\0', c};
    }
    const std::size_t at = 2 + 2 * Utf16Units(text.substr(0, edit->at));
    result.bytes.replace(at, 2 * Utf16Units(text.substr(edit->at, edit->length)), wide);
  }
  return result;
}

}  // namespace quorvex::align
