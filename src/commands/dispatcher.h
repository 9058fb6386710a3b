// The controller's codes, each to what it makes the program do.
#pragma once

#include <optional>
#include <string_view>

#include "common/log.h"
#include "common/settings_record.h"
#include "platform/host.h"

namespace quorvex {

class Dispatcher {
 public:
  Dispatcher(const Platform& platform, const SettingsRecord& settings, Log& log)
      : platform_(platform), settings_(settings), log_(log) {}

  // Acts on each code at the start of what remains of `input`, in order, line ends
  // between them skipped; stops at the first character that begins no code. A lone
  // code start at the end is kept for the next read, whose leading "0" completes it.
  void DispatchCommand(std::string_view input);

 private:
  void Act(char first);
  void ShowBoth(bool shown);

  const Platform& platform_;
  const SettingsRecord& settings_;
  Log& log_;
  std::optional<char> keptCodeStart_;
};

}  // namespace quorvex
