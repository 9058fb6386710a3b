// What each platform's files give the tool's one main.
#pragma once

#include <string>

#include "controller_options.h"

namespace quorvex::controller {

UsageFor ThisPlatform();

// Holds the line until it closes (or, without --listen, typing ends); the exit status.
int Serve(const Options& options);

// The serial ports there are now ("/dev/ttyUSB0, COM1 (/dev/ttyS0)", "COM1, COM4"),
// for advice after a port failure; empty when there are none.
std::string PresentPorts();

}  // namespace quorvex::controller
