#include "platform/win32/win32_toolkit.h"

#include <string>

#include "platform/win32/win32_text.h"

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

void ShowMessageBox(std::string_view text) {
  const std::wstring shown = Widen(text);
  const std::wstring caption = Widen(kApplicationTitle);
  // Topmost, or the overlays, topmost themselves, could hide it.
  ::MessageBoxW(nullptr, shown.c_str(), caption.c_str(), MB_OK | MB_SETFOREGROUND | MB_TOPMOST);
}

void Win32Toolkit::MsgBox(std::string_view text) {
  const InputBlocked blocked(frmMain_, frmTwo_);
  ++boxesOpen_;
  ShowMessageBox(text);
  --boxesOpen_;
}

std::unique_ptr<AppendFile> Win32Toolkit::OpenForAppend(const std::string& path) {
  return win32::OpenForAppend(path);
}

void Win32Toolkit::CloseRequested() {
  if (boxesOpen_ == 0) {
    End(0);
    return;
  }
  // A quit message ends the box's modal loop; the box's caller then ends the program.
  ::PostQuitMessage(0);
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
