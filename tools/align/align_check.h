// quorvex --check: tessora.ini read as the program reads it at start, and what it
// would do with it, without a window or a port.
#pragma once

#include <string>

#include "align_geometry.h"

namespace quorvex::align {

struct CheckResult {
  std::string text;  // the layout and its warnings, or the failure
  int status = 0;    // 0, or the failure's number where it fits an exit status, else 1
};

CheckResult CheckSettings(TwipsScale scale);

}  // namespace quorvex::align
