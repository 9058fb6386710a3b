// quorvex --check: tessora.ini read as the program reads it at start, and what it
// would do with it, without a window or a port.
#pragma once

#include <cstdint>
#include <string>

#include "commands/layout.h"
#include "common/port.h"

namespace quorvex {

struct CheckResult {
  std::string text;  // the layout and its warnings, or the failure
  int status = 0;    // 0, or the failure's number where it fits an exit status, else 1
};

// What the platform knows of its serial ports now.
struct PortsNow {
  PortSystem system;
  bool (*present)(const Port& port);
  std::string (*names)();  // "COM1, COM4"; empty when there are none
};

CheckResult CheckSettings(TwipsScale scale, const PortsNow& ports);

// "alignment mode: overlays drawn visibly (VERSION:101)", or the production one:
// --check and quorvex-align word the mode alike.
std::string ModeText(std::int16_t version, bool hasVersionItem);

}  // namespace quorvex
