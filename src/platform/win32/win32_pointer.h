// The program's clicks on Windows, through SendInput.
#pragma once

#include <array>

#include "platform/pointer.h"
#include "platform/win32/win32_api.h"

namespace quorvex::win32 {

// Carried in dwExtraInfo by every input the program sends: an overlay that hears a
// press carrying it knows it for the program's own, never the operator's.
constexpr ULONG_PTR kClickTag = 0x51564F52;  // "QVOR"

// Whether a button message now being handled came from the program's own click.
inline bool FromOwnClick() {
  return static_cast<ULONG_PTR>(::GetMessageExtraInfo()) == kClickTag;
}

// Press, release, and the way back when there is one (`back` not null), for one SendInput call: the
// system queues them together, so no hook or other input can put the way back
// before the press. Absolute virtual-desk coordinates; `swapped` presses the
// physical right button, which the system turns into the primary one.
std::array<INPUT, 3> ClickBatch(POINT at, const POINT* back, bool swapped);

class Win32Pointer final : public Pointer {
 public:
  bool Click(Point at) override;
};

}  // namespace quorvex::win32
