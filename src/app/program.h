// Everything the handlers share, and the one way a failure ends the program.
#pragma once

#include <string_view>

#include "commands/clicks.h"
#include "commands/dispatcher.h"
#include "common/settings_record.h"
#include "platform/host.h"

namespace quorvex {

struct Program {
  explicit Program(const Platform& services) : platform(services) {}
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  Platform platform;
  SettingsRecord Settings;  // written only during start-up
  Clicks clicks{platform, Settings};
  Dispatcher dispatcher{platform, clicks};
  // A failure's message box is up: codes and clicks are no longer acted on.
  bool failing = false;
};

// The one way a failure ends the program: its message box, then the end. While the
// box is up nothing acts on the line or on the screen; an overlay that stepped aside
// still goes back.
void EndWithMessage(Program& program, std::string_view message);

// "Error <number>: <description>" through EndWithMessage.
void Fail(Program& program, int number, std::string_view description);

}  // namespace quorvex
