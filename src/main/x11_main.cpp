// build/linux/quorvex: the program on an X11 desktop. Start reading here: the host
// (x11_host.cpp) runs the one event loop, app/handlers.cpp takes its events.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/check.h"
#include "app/command_line.h"
#include "app/handlers.h"
#include "common/failure.h"
#include "common/twips.h"
#include "platform/serial_line.h"
#include "platform/x11/x11_display.h"
#include "platform/x11/x11_host.h"

namespace {

// The screen's scale where there is a display; 96 dots per inch where there is none.
quorvex::TwipsScale ScreenScale() {
  double twipsPerPixel = quorvex::TwipsPerPixel(96);
  if (Display* display = XOpenDisplay(nullptr)) {
    twipsPerPixel = quorvex::x11::TwipsPerPixelOf(display);
    XCloseDisplay(display);
  }
  return {twipsPerPixel, twipsPerPixel};
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> arguments(argv + 1, argv + argc);
  const quorvex::CommandLine line = quorvex::ParseCommandLine(arguments);
  switch (line.ask) {
    case quorvex::Ask::kHelp:
      std::fputs(quorvex::HelpText().c_str(), stdout);
      return 0;
    case quorvex::Ask::kVersion:
      std::fputs(quorvex::VersionText().c_str(), stdout);
      return 0;
    case quorvex::Ask::kCheck: {
      const auto check = quorvex::CheckSettings(
          ScreenScale(),
          {quorvex::PortSystem::kPosix, &quorvex::PortPresent, &quorvex::PresentPorts});
      std::fputs(check.text.c_str(), check.status == 0 ? stdout : stderr);
      return check.status;
    }
    case quorvex::Ask::kRun:
      break;
  }
  for (const std::string& ignored : line.ignored) {
    std::fprintf(stderr, "Quorvex: %s\n", quorvex::IgnoredText(ignored).c_str());
  }
  try {
    quorvex::x11::X11Host host;
    return quorvex::Run(host);
  } catch (const quorvex::Failure& failure) {
    std::fprintf(stderr, "Quorvex: %s\n", failure.Message().c_str());
  } catch (const std::exception& error) {
    const std::string message = quorvex::FailureMessage(quorvex::failure::kInternal, error.what());
    std::fprintf(stderr, "Quorvex: %s\n", message.c_str());
  }
  return 1;
}
