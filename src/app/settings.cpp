#include "app/settings.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

#include "app/item_reader.h"
#include "app/utf16.h"
#include "common/blanks.h"
#include "common/failure.h"
#include "common/number.h"

namespace quorvex {
namespace {

using Key = SettingsKey;

// Tested in this order; the first key an item holds wins. WINDOW and LOG first: a
// window's title or a path may hold another key's text.
constexpr std::array<Key, 26> kKeys{{
    {"WINDOW:", nullptr, &SettingsRecord::WINDOW, true},
    {"LOG:", nullptr, &SettingsRecord::LOG, true},
    {"AUTOCONN:", &SettingsRecord::AUTOCONN},
    {"VERSION:", &SettingsRecord::VERSION},
    {"CP:", nullptr, &SettingsRecord::CP},
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
    {"RECONNECT:", &SettingsRecord::RECONNECT, nullptr, true},
    {"REPORT:", &SettingsRecord::REPORT, nullptr, true},
    {"HEARTBEAT:", &SettingsRecord::HEARTBEAT, nullptr, true},
}};

// The item from its first text on.
std::string_view Leading(std::string_view item) {
  while (!item.empty() && IsBlank(item.front())) {
    item.remove_prefix(1);
  }
  return item;
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

std::string Where(std::string_view fileName, const Item& item) {
  return std::string(fileName) + ", line " + std::to_string(item.line) + ": the item \"" +
         Printable(item.text) + "\" ";
}

[[noreturn]] void BadValue(std::string_view fileName, const Item& item, NumberError error) {
  const std::string where = Where(fileName, item);
  if (error == NumberError::kOutOfRange) {
    throw Failure(failure::kOverflow, where + "is out of range -32768 to 32767.");
  }
  throw Failure(failure::kTypeMismatch,
                where + (error == NumberError::kEmpty ? "has no value." : "is not a number."));
}

// UTF-8 characters; in other text each byte is one.
std::size_t CharactersIn(std::string_view text) {
  return static_cast<std::size_t>(std::ranges::count_if(
      text, [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

[[noreturn]] void TooLong(std::string_view fileName, const Item& item) {
  throw Failure(failure::kTypeMismatch, std::string(fileName) + ", line " +
                                            std::to_string(item.line) + ": the item \"" +
                                            Printable(item.text) + "\" is longer than " +
                                            std::to_string(kMaxWindowChars) + " characters.");
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// Far beyond any settings file; a link to a device or a runaway file stops here.
constexpr std::uintmax_t kMaxFileBytes = std::uintmax_t{64} << 20;

std::string FullPath(std::string_view path) {
  std::error_code ignored;
  return std::filesystem::absolute(std::filesystem::path(path), ignored).string();
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Explorer hides known extensions: a file named tessora.ini there may be tessora.ini.txt.
std::string HiddenExtensionHint(std::string_view path) {
  const std::string withTxt = std::string(path) + ".txt";
  if (!IsRegularFile(withTxt)) {
    return {};
  }
  const std::string name = std::filesystem::path(path).filename().string();
  return " The file " + name +
         ".txt is there: Windows may be hiding its extension, so rename it to " + name + ".";
}

[[noreturn]] void CannotRead(std::string_view path, int error) {
  const std::string description =
      "The settings file " + FullPath(path) + " cannot be read: " + std::strerror(error) + ".";
  if (error == ENOENT) {
    const std::string hint = HiddenExtensionHint(path);
    throw Failure(failure::kFileNotFound,
                  description + (hint.empty() ? " " QUORVEX_EXAMPLE_SETTINGS
                                                " Or set Quorvex up here with quorvex-align."
                                              : hint));
  }
  throw Failure(failure::kFileAccess, description);
}

[[noreturn]] void TooLarge(std::string_view path) {
  throw Failure(failure::kFileAccess,
                "The settings file " + FullPath(path) + " is too large: more than 64 MiB.");
}

// Only a regular file: a named pipe would block the start for ever, a device never end.
std::string ReadWhole(std::string_view path) {
  const std::string name(path);
  struct stat info {};
  if (::stat(name.c_str(), &info) != 0) {
    CannotRead(path, errno);
  }
  if (!S_ISREG(info.st_mode)) {
    throw Failure(failure::kFileAccess, "The settings file " + FullPath(path) +
                                            " is not a regular file (a folder, pipe or device).");
  }
  if (info.st_size < 0 || static_cast<std::uintmax_t>(info.st_size) > kMaxFileBytes) {
    TooLarge(path);
  }
  errno = 0;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name.c_str(), "rb"));
  if (!file) {
    CannotRead(path, errno);
  }
  std::string text;
  std::array<char, 65536> buffer;
  std::size_t got = 0;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0) {
    text.append(buffer.data(), got);
    if (text.size() > kMaxFileBytes) {
      TooLarge(path);  // it grew since it was looked at
    }
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

// Every key ends in its only colon, so an old key occurs in an item exactly when the
// text up to one of the item's colons ends with it; that spares a search per key.
const SettingsKey* KeyOf(std::string_view item) {
  const Key* found = nullptr;
  const auto before = [&found] { return found ? found : kKeys.data() + kKeys.size(); };
  for (auto colon = item.find(':'); colon != std::string_view::npos;
       colon = item.find(':', colon + 1)) {
    const std::string_view head = item.substr(0, colon + 1);
    for (const Key* key = kKeys.data(); key != before(); ++key) {
      if (!key->leads && head.ends_with(key->name)) {
        found = key;
        break;
      }
    }
  }
  const std::string_view lead = Leading(item);
  for (const Key* key = kKeys.data(); key != before(); ++key) {
    if (key->leads && lead.starts_with(key->name)) {
      return key;
    }
  }
  return found;
}

void ReadSettings(std::string_view text, std::string_view fileName, SettingsRecord& settings) {
  // Notepad's "Unicode": read as the same text saved as ANSI or UTF-8 would be.
  const std::optional<Utf8FromUtf16> unicode = FromUtf16(text);
  if (unicode && !unicode->fault.empty()) {
    throw Failure(failure::kFileAccess,
                  std::string(fileName) + ", line " + std::to_string(unicode->line) +
                      ": the file begins as UTF-16 but is not valid UTF-16 (" +
                      std::string(unicode->fault) + ").");
  }
  ItemReader reader(unicode ? std::string_view(unicode->text) : text);
  while (const auto item = reader.Next()) {
    const Key* key = KeyOf(item->text);
    if (key == nullptr) {
      continue;
    }
    std::string value = key->leads ? std::string(Leading(item->text).substr(key->name.size()))
                                   : RemoveAll(item->text, key->name);
    if (key->text != nullptr) {
      if (key->text == &SettingsRecord::WINDOW && CharactersIn(value) > kMaxWindowChars) {
        TooLong(fileName, *item);
      }
      settings.*(key->text) = std::move(value);
      continue;
    }
    const Int16Result number = ToInt16(value);
    if (number.error != NumberError::kNone) {
      BadValue(fileName, *item, number.error);
    }
    if (key->field == &SettingsRecord::HEARTBEAT && number.value != 0 &&
        (number.value < kMinHeartbeatMs || number.value > kMaxHeartbeatMs)) {
      throw Failure(failure::kOverflow, Where(fileName, *item) + "is out of range " +
                                            std::to_string(kMinHeartbeatMs) + " to " +
                                            std::to_string(kMaxHeartbeatMs) + " (0: none).");
    }
    settings.*(key->field) = number.value;
  }
}

FileItems ItemsOf(std::string_view path) {
  // A file of a million stray items still gives a screenful.
  constexpr std::size_t kMostWarnings = 20;
  const std::string bytes = ReadWhole(path);
  const std::optional<Utf8FromUtf16> unicode = FromUtf16(bytes);
  ItemReader reader(unicode ? std::string_view(unicode->text) : std::string_view(bytes));
  FileItems items;
  std::size_t unsaid = 0;
  const auto warn = [&](const Item& item, const std::string& what) {
    if (items.warnings.size() < kMostWarnings) {
      items.warnings.push_back("line " + std::to_string(item.line) + ": " + what);
    } else {
      ++unsaid;
    }
  };
  std::vector<int> firstLine(kKeys.size());
  while (const auto item = reader.Next()) {
    const Key* key = KeyOf(item->text);
    if (key == nullptr) {
      if (!TrimBlanks(item->text).empty()) {
        std::string quoted(1, '"');
        quoted += Printable(item->text);
        warn(*item, quoted +
                        "\" holds no key and is ignored (a key is in capitals and ends in a "
                        "colon, such as PL:)");
      }
      continue;
    }
    int& first = firstLine[static_cast<std::size_t>(key - kKeys.data())];
    if (first != 0) {
      warn(*item, std::string(key->name) + " is given again (first on line " +
                      std::to_string(first) + "): the last one counts");
    } else {
      first = item->line;
      items.keys.push_back(key->name);
    }
  }
  if (unsaid > 0) {
    items.warnings.push_back("and " + std::to_string(unsaid) + " more items like these");
  }
  return items;
}

void ReadFile(SettingsRecord& settings, std::string_view path) {
  ReadSettings(ReadWhole(path), path, settings);
}

}  // namespace quorvex
