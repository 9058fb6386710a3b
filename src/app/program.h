// Everything the handlers share, and the one way a failure ends the program.
#pragma once

#include <string_view>

#include "app/file_log.h"
#include "commands/clicks.h"
#include "commands/dispatcher.h"
#include "common/settings_record.h"
#include "platform/host.h"

namespace quorvex {

// The platform's toolkit, with every notice in the log too.
class LoggedToolkit final : public Toolkit {
 public:
  LoggedToolkit(Toolkit& toolkit, Log& log) : toolkit_(toolkit), log_(log) {}
  void MsgBox(std::string_view text) override { toolkit_.MsgBox(text); }
  void Notice(std::string_view text) override;
  double TwipsPerPixelX() const override { return toolkit_.TwipsPerPixelX(); }
  double TwipsPerPixelY() const override { return toolkit_.TwipsPerPixelY(); }
  std::unique_ptr<AppendFile> OpenForAppend(const std::string& path) override {
    return toolkit_.OpenForAppend(path);
  }
  bool MoveReplacing(const std::string& from, const std::string& to) override {
    return toolkit_.MoveReplacing(from, to);
  }
  void End(int status) override { toolkit_.End(status); }
  std::chrono::steady_clock::time_point Now() const override { return toolkit_.Now(); }

 private:
  Toolkit& toolkit_;
  Log& log_;
};

struct Program {
  explicit Program(const Platform& services);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  FileLog log;
  LoggedToolkit toolkit;
  Platform platform;
  SettingsRecord Settings;  // written only during start-up
  Placement placement{platform, Settings, log};
  Clicks clicks;  // each outcome reported on the line (REPORT)
  Dispatcher dispatcher{placement, clicks};
  // A failure's message box is up: codes and clicks are no longer acted on.
  bool failing = false;
  // RECONNECT: the line was lost and is being tried again; the overlays hold.
  bool lineDown = false;
};

// The one way a failure ends the program: its message box, then the end. While the
// box is up nothing acts on the line or on the screen; an overlay that stepped aside
// still goes back.
void EndWithMessage(Program& program, std::string_view message);

// "Error <number>: <description>" through EndWithMessage.
void Fail(Program& program, int number, std::string_view description);

}  // namespace quorvex
