#pragma once

#include <optional>

#include "app/settings.h"
#include "app/text_field.h"
#include "platform/host.h"

namespace quorvex {

// Everything the handlers share: the platform's services, the settings (written
// only during start-up), frmMain's text field and the one character a split code
// may leave behind.
struct Program {
  explicit Program(const Platform& platform);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  OverlayWindow& frmMain;
  OverlayWindow& frmTwo;
  Timer& Timer1;
  Timer& Timer2;
  CommControl& MSComm1;
  User32& user32;
  Toolkit& toolkit;

  SettingsRecord Settings;
  TextField txtIncoming;
  std::optional<char> keptCodeStart;
  // A failure's message box is up: codes and clicks are no longer acted on.
  bool failing = false;
  bool ended = false;
};

// Ends the program; nothing runs after it.
void EndProgram(Program& program, int status);

// The one way a failure ends the program: its message box, then the end. While the
// box is up nothing acts on the line or on the screen; an overlay that stepped aside
// still goes back.
void EndWithMessage(Program& program, std::string_view message);

// "Error <number>: <description>" through EndWithMessage.
void Fail(Program& program, int number, std::string_view description);

}  // namespace quorvex
