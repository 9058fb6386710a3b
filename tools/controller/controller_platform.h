// What each platform's files give the tool's one main.
#pragma once

#include <string>

#include "controller_options.h"

namespace quorvex::controller {

UsageFor ThisPlatform();

// Holds the line until it closes (or, without --listen, typing ends); the exit status.
int Serve(const Options& options);

}  // namespace quorvex::controller
