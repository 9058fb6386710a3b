#include "app/settings.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "app/item_reader.h"
#include "app/number.h"
#include "platform/failure.h"

namespace quorvex {
namespace {

using Key = SettingsKey;

// Tested in this order; the first key found anywhere in an item wins.
constexpr std::array<Key, 21> kKeys{{
    {"AUTOCONN:", &SettingsRecord::AUTOCONN},
    {"VERSION:", &SettingsRecord::VERSION},
    {"CP:", nullptr},
    {"PT:", &SettingsRecord::PT},
    {"PL:", &SettingsRecord::PL},
    {"FW:", &SettingsRecord::FW},
    {"FH:", &SettingsRecord::FH},
    {"CX:", &SettingsRecord::CX},
    {"CY:", &SettingsRecord::CY},
    {"CW:", &SettingsRecord::CW},
    {"CH:", &SettingsRecord::CH},
    {"STRX:", &SettingsRecord::STRX},
    {"STRY:", &SettingsRecord::STRY},
    {"STPX:", &SettingsRecord::STPX},
    {"STPY:", &SettingsRecord::STPY},
    {"PT2:", &SettingsRecord::PT2},
    {"PL2:", &SettingsRecord::PL2},
    {"FW2:", &SettingsRecord::FW2},
    {"FH2:", &SettingsRecord::FH2},
    {"STRX2:", &SettingsRecord::STRX2},
    {"STRY2:", &SettingsRecord::STRY2},
}};

// Every key ends in its only colon, so a key occurs in an item exactly when the text
// up to one of the item's colons ends with it; that spares a search per key.
const Key* FindKey(std::string_view item) {
  const Key* found = nullptr;
  for (auto colon = item.find(':'); colon != std::string_view::npos;
       colon = item.find(':', colon + 1)) {
    const std::string_view head = item.substr(0, colon + 1);
    for (const Key* key = kKeys.data(); key != (found ? found : kKeys.data() + kKeys.size());
         ++key) {
      if (head.ends_with(key->name)) {
        found = key;
        break;
      }
    }
  }
  return found;
}

std::string RemoveAll(std::string_view item, std::string_view key) {
  std::string value;
  value.reserve(item.size());
  for (std::size_t pos = 0;;) {
    const std::size_t found = item.find(key, pos);
    value.append(item.substr(pos, found - pos));
    if (found == std::string_view::npos) {
      return value;
    }
    pos = found + key.size();
  }
}

[[noreturn]] void BadValue(std::string_view fileName, const Item& item, NumberError error) {
  const std::string where = std::string(fileName) + ", line " + std::to_string(item.line) +
                            ": the item \"" + Printable(item.text) + "\" ";
  if (error == NumberError::kOutOfRange) {
    throw Failure(failure::kOverflow, where + "is out of range -32768 to 32767.");
  }
  throw Failure(failure::kTypeMismatch,
                where + (error == NumberError::kEmpty ? "has no value." : "is not a number."));
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

[[noreturn]] void CannotRead(std::string_view path, int error) {
  std::error_code ignored;
  const auto full = std::filesystem::absolute(std::filesystem::path(path), ignored);
  throw Failure(
      error == ENOENT ? failure::kFileNotFound : failure::kFileAccess,
      "The settings file " + full.string() + " cannot be read: " + std::strerror(error) + ".");
}

std::string ReadWhole(std::string_view path) {
  errno = 0;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(std::string(path).c_str(), "rb"));
  if (!file) {
    CannotRead(path, errno);
  }
  std::string text;
  std::array<char, 65536> buffer;
  std::size_t got = 0;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0) {
    text.append(buffer.data(), got);
  }
  if (std::ferror(file.get())) {
    CannotRead(path, errno != 0 ? errno : EIO);
  }
  return text;
}

}  // namespace

std::span<const SettingsKey> SettingsKeys() {
  return kKeys;
}

void ReadSettings(std::string_view text, std::string_view fileName, SettingsRecord& settings) {
  ItemReader reader(text);
  while (const auto item = reader.Next()) {
    const Key* key = FindKey(item->text);
    if (key == nullptr) {
      continue;
    }
    std::string value = RemoveAll(item->text, key->name);
    if (key->field == nullptr) {
      settings.CP = std::move(value);
      continue;
    }
    const Int16Result number = ToInt16(value);
    if (number.error != NumberError::kNone) {
      BadValue(fileName, *item, number.error);
    }
    settings.*(key->field) = number.value;
  }
}

void ReadFile(SettingsRecord& settings, std::string_view path) {
  ReadSettings(ReadWhole(path), path, settings);
}

}  // namespace quorvex
