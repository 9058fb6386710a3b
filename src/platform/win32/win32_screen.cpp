#include "platform/win32/win32_screen.h"

#include "common/twips.h"
#include "platform/win32/win32_api.h"

namespace quorvex::win32 {

TwipsScale ScreenTwipsScale() {
  HDC screen = ::GetDC(nullptr);
  const int across = ::GetDeviceCaps(screen, LOGPIXELSX);
  const int down = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  TwipsScale scale;
  if (across > 0 && down > 0) {
    scale.x = TwipsPerPixel(across);
    scale.y = TwipsPerPixel(down);
  }
  return scale;
}

}  // namespace quorvex::win32
