// What the program's command line may ask: help, its version, a check of the
// settings. Anything else is named and passed over, so an old shortcut still starts.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/version.h"  // VersionText

namespace quorvex {

enum class Ask { kRun, kHelp, kVersion, kCheck };

struct CommandLine {
  Ask ask = Ask::kRun;
  std::vector<std::string> ignored;  // arguments it does not know
};

CommandLine ParseCommandLine(std::span<const std::string_view> arguments);

std::string HelpText();
// "Quorvex: ignoring the argument "x"": for each ignored one.
std::string IgnoredText(std::string_view argument);

}  // namespace quorvex
