// The program's clicks on Windows, through SendInput.
#pragma once

#include <array>
#include <optional>

#include "platform/pointer.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_followed_window.h"

namespace quorvex::win32 {

// Carried in dwExtraInfo by every input the program sends: an overlay that hears a
// press carrying it knows it for the program's own, never the operator's.
constexpr ULONG_PTR kClickTag = 0x51564F52;  // "QVOR"

// Whether a button message now being handled came from the program's own click.
inline bool FromOwnClick() {
  return static_cast<ULONG_PTR>(::GetMessageExtraInfo()) == kClickTag;
}

// A tagged mouse input at `at`, absolute virtual-desk coordinates: a move, with
// `buttons` a press or release there.
INPUT TaggedInput(POINT at, DWORD buttons = 0);
// Press and release for one SendInput call: the system queues them as given, so
// nothing comes between the move and the press. `swapped` presses the physical right
// button, which the system turns into the primary one.
std::array<INPUT, 2> ClickBatch(POINT at, bool swapped);

// The release is seen taken by a low-level mouse hook of the program's own, there only
// while a click is on its way: other programs' hooks (remote support, macro tools,
// security software) may hold input back for up to a second.
class Win32Pointer final : public Pointer {
 public:
  explicit Win32Pointer(const Win32FollowedWindow& followed) : followed_(followed) {}
  ~Win32Pointer() override;
  Win32Pointer(const Win32Pointer&) = delete;
  Win32Pointer& operator=(const Win32Pointer&) = delete;

  Press Click(Point at, bool onlyFollowed) override;
  bool Landed() override { return landed_; }
  void Return() override;

 private:
  static LRESULT CALLBACK OnMouse(int code, WPARAM message, LPARAM event);
  void Unhook();

  static inline Win32Pointer* watching_ = nullptr;  // the one whose release is awaited
  const Win32FollowedWindow& followed_;
  HHOOK hook_ = nullptr;
  bool landed_ = false;
  std::optional<POINT> back_;  // where the cursor was, in pixels
};

}  // namespace quorvex::win32
