// Reading tessora.ini: its keys, in the order items are tested, and its reader.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/settings_record.h"

namespace quorvex {

constexpr std::string_view kSettingsFileName = "tessora.ini";

// Each key holds a number or a text (stored as it stands), never both.
struct SettingsKey {
  std::string_view name;                          // "PL:", colon included
  std::int16_t SettingsRecord::*field = nullptr;  // null for a text key
  std::string SettingsRecord::*text = nullptr;    // CP, WINDOW and LOG, stored as written
  // The keys this program added count only as an item's first text, and their value
  // is what follows them; the 21 old ones count anywhere in the item, and their value
  // is the item with every occurrence removed, so that an old file reads as it did.
  bool leads = false;
};

// The longest WINDOW text, in characters.
constexpr std::size_t kMaxWindowChars = 255;

// HEARTBEAT's range in milliseconds, 0 aside.
constexpr std::int16_t kMinHeartbeatMs = 100;
constexpr std::int16_t kMaxHeartbeatMs = 30000;

// Every key, in the order items are tested against them.
std::span<const SettingsKey> SettingsKeys();

// The key an item holds: the first in that order that it holds; null for none.
const SettingsKey* KeyOf(std::string_view item);

// Reads tessora.ini from the working directory into `settings`.
// Throws Failure naming the file, or the line and item at fault.
void ReadFile(SettingsRecord& settings, std::string_view path = kSettingsFileName);

// What the reader passes over without a word, for --check: an item that holds no
// key, and a key given again (the last one counts). One sentence each; `keys` names
// every key the file holds. Throws as ReadFile does.
struct FileItems {
  std::vector<std::string> warnings;
  std::vector<std::string_view> keys;
};
FileItems ItemsOf(std::string_view path = kSettingsFileName);

// The same rules applied to text already read; `fileName` only names it in failures.
void ReadSettings(std::string_view text, std::string_view fileName, SettingsRecord& settings);

}  // namespace quorvex
