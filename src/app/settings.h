#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace quorvex {

// One field per key of tessora.ini, named after it; zero (CP empty) until read.
struct SettingsRecord {
  std::int16_t AUTOCONN = 0;
  std::int16_t VERSION = 0;
  std::string CP;
  std::int16_t PT = 0;
  std::int16_t PL = 0;
  std::int16_t FW = 0;
  std::int16_t FH = 0;
  std::int16_t CX = 0;
  std::int16_t CY = 0;
  std::int16_t CW = 0;
  std::int16_t CH = 0;
  std::int16_t STRX = 0;
  std::int16_t STRY = 0;
  std::int16_t STPX = 0;
  std::int16_t STPY = 0;
  std::int16_t PT2 = 0;
  std::int16_t PL2 = 0;
  std::int16_t FW2 = 0;
  std::int16_t FH2 = 0;
  std::int16_t STRX2 = 0;
  std::int16_t STRY2 = 0;
  friend bool operator==(const SettingsRecord&, const SettingsRecord&) = default;
};

constexpr std::string_view kSettingsFileName = "tessora.ini";

struct SettingsKey {
  std::string_view name;                // "PL:", colon included
  std::int16_t SettingsRecord::*field;  // null for CP, which stays text
};

// Every key, in the order items are tested against them.
std::span<const SettingsKey> SettingsKeys();

// Reads tessora.ini from the working directory into `settings`.
// Throws Failure naming the file, or the line and item at fault.
void ReadFile(SettingsRecord& settings, std::string_view path = kSettingsFileName);

// The same rules applied to text already read; `fileName` only names it in failures.
void ReadSettings(std::string_view text, std::string_view fileName, SettingsRecord& settings);

}  // namespace quorvex
