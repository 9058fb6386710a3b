#include "platform/win32/win32_shown.h"

#include <dwmapi.h>

namespace quorvex::win32 {
namespace {

// A system without the attribute (Windows 7, Wine) cloaks nothing.
bool Cloaked(HWND window) {
  DWORD cloaked = 0;
  return SUCCEEDED(::DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof cloaked)) &&
         cloaked != 0;
}

}  // namespace

bool Shown(HWND window) {
  return ::IsWindow(window) && ::IsWindowVisible(window) && !::IsIconic(window) && !Cloaked(window);
}

}  // namespace quorvex::win32
