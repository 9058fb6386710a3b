// What tessora.ini holds: written during start-up only, read by every part after.
#pragma once

#include <cstdint>
#include <string>

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
  // Part of the title of the application's window that positions count from; empty:
  // they are screen positions.
  std::string WINDOW;
  std::string LOG;  // the log file's path; empty for none
  std::int16_t RECONNECT = 0;
  std::int16_t REPORT = 0;     // 1: each click code's outcome goes on the line
  std::int16_t HEARTBEAT = 0;  // "00" every so many milliseconds; 0: none
  friend bool operator==(const SettingsRecord&, const SettingsRecord&) = default;
};

}  // namespace quorvex
