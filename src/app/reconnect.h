// A line that comes back: with RECONNECT:1 a lost line holds the buttons, visibly,
// until a try to open it again succeeds.
#pragma once

#include <optional>
#include <string>

#include "app/program.h"

namespace quorvex {

// RECONNECT:1 with AUTOCONN:1: only a port opened at start-up can be lost.
bool Reconnects(const SettingsRecord& settings);

// Both overlays drawn held where they are, shown or hidden as they were; clicks send
// nothing until the line is back; a try each second. `notOpened`: why the start could
// not open it; else it was lost.
void LoseLine(Program& program, const std::optional<std::string>& notOpened = std::nullopt);

// One try to open CP again; once open, the line is set up, greeted, and the overlays
// go back to their opacity.
void RetryLine(Program& program);

}  // namespace quorvex
