// The system's own words for an error, for messages.
#pragma once

#include <string>

#include "platform/win32/win32_api.h"

namespace quorvex::win32 {

// The system's own wording for an error code, with its number.
std::string SystemReason(DWORD error);

}  // namespace quorvex::win32
