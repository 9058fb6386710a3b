// The controller's codes, each to what it makes the program do.
#pragma once

#include <optional>
#include <string_view>

#include "commands/clicks.h"
#include "commands/placement.h"

namespace quorvex {

class Dispatcher {
 public:
  Dispatcher(Placement& placement, Clicks& clicks) : placement_(placement), clicks_(clicks) {}

  // Acts on each code at the start of what remains of `input`, in order, line ends
  // between them skipped; stops at the first character that begins no code. A lone
  // code start at the end is kept for the next read, whose leading "0" completes it.
  // "40" and "50" show and hide both overlays at once, even while a click waits:
  // they neither wait for nor cancel it, and an overlay aside stays aside.
  void DispatchCommand(std::string_view input);
  // Drops a code start kept for the next read.
  void Forget() { keptCodeStart_.reset(); }

 private:
  void Act(char first);
  void ShowBoth(bool shown);

  Placement& placement_;
  Clicks& clicks_;
  std::optional<char> keptCodeStart_;
};

}  // namespace quorvex
