// Whether a top-level window is on the screen the operator sees: one rule for the
// window followed and for what covers an overlay.
#pragma once

#include "platform/win32/win32_api.h"

namespace quorvex::win32 {

// Visible, not minimised, and not cloaked: IsWindowVisible holds for a window on
// another virtual desktop and for a suspended store app, which DWM keeps cloaked.
bool Shown(HWND window);

}  // namespace quorvex::win32
