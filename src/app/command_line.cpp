#include "app/command_line.h"

#include "common/quote.h"

namespace quorvex {

CommandLine ParseCommandLine(std::span<const std::string_view> arguments) {
  CommandLine line;
  for (const std::string_view argument : arguments) {
    if (argument == "--help" || argument == "-h") {
      line.ask = Ask::kHelp;
    } else if (argument == "--version") {
      line.ask = line.ask == Ask::kHelp ? line.ask : Ask::kVersion;
    } else if (argument == "--check") {
      line.ask = line.ask == Ask::kRun ? Ask::kCheck : line.ask;
    } else {
      line.ignored.emplace_back(argument);
    }
  }
  return line;
}

std::string HelpText() {
  return "Usage: quorvex [--check | --help | --version]\n"
         "\n"
         "Puts two overlays over an application's buttons and lets a controller on a\n"
         "serial line decide when they are pressed. Everything comes from tessora.ini\n"
         "in the working directory.\n"
         "\n"
         "  --check    read tessora.ini as at start, print the overlays in pixels, the\n"
         "             click points, the port and any warnings, and exit (0, or the\n"
         "             failure's number); opens no window and no port\n"
         "  --help     show this help and exit\n"
         "  --version  show the version and exit\n";
}

std::string IgnoredText(std::string_view argument) {
  return "ignoring the argument " + Quote(argument) +
         ": quorvex takes its settings from "
         "tessora.ini (see quorvex --help)";
}

}  // namespace quorvex
