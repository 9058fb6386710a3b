#include "platform/win32/win32_toolkit.h"

#include <string>

namespace quorvex::win32 {
namespace {

// Keeps the overlays from taking the operator's clicks while it lives.
class InputBlocked {
 public:
  InputBlocked(Win32Overlay& first, Win32Overlay& second) : first_(first), second_(second) {
    first_.AcceptInput(false);
    second_.AcceptInput(false);
  }
  ~InputBlocked() {
    first_.AcceptInput(true);
    second_.AcceptInput(true);
  }
  InputBlocked(const InputBlocked&) = delete;
  InputBlocked& operator=(const InputBlocked&) = delete;

 private:
  Win32Overlay& first_;
  Win32Overlay& second_;
};

}  // namespace

void Win32Toolkit::MsgBox(std::string_view text) {
  const InputBlocked blocked(frmMain_, frmTwo_);
  const std::string shown(text);
  const std::string caption(kApplicationTitle);
  // Topmost, or the overlays, topmost themselves, could hide it.
  ::MessageBoxA(nullptr, shown.c_str(), caption.c_str(), MB_OK | MB_SETFOREGROUND | MB_TOPMOST);
}

void Win32Toolkit::End(int status) {
  if (ended_) {
    return;
  }
  ended_ = true;
  status_ = status;
  ::PostQuitMessage(status);
}

}  // namespace quorvex::win32
