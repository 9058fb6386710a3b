#include "platform/win32/win32_pointer.h"

#include "platform/win32/win32_absolute.h"
#include "platform/win32/win32_input_reach.h"
#include "platform/win32/win32_wine.h"

namespace quorvex::win32 {
namespace {

bool Held(int key) {
  return (::GetAsyncKeyState(key) & 0x8000) != 0;
}

// Buttons held, or a window of the foreground thread that captured the mouse (a
// drag, a menu), would take the press.
bool Busy() {
  if (Held(VK_LBUTTON) || Held(VK_RBUTTON) || Held(VK_MBUTTON)) {
    return true;
  }
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return ::GetGUIThreadInfo(0, &info) && info.hwndCapture != nullptr;
}

POINT Absolute(POINT pixel) {
  return {ToAbsolute(pixel.x, ::GetSystemMetrics(SM_XVIRTUALSCREEN),
                     ::GetSystemMetrics(SM_CXVIRTUALSCREEN)),
          ToAbsolute(pixel.y, ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                     ::GetSystemMetrics(SM_CYVIRTUALSCREEN))};
}

// 0 for no window.
DWORD OwnerOf(HWND window) {
  DWORD process = 0;
  if (window != nullptr) {
    ::GetWindowThreadProcessId(window, &process);
  }
  return process;
}

}  // namespace

INPUT TaggedInput(POINT at, DWORD buttons) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = at.x;
  input.mi.dy = at.y;
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | buttons;
  input.mi.dwExtraInfo = kClickTag;
  return input;
}

std::array<INPUT, 2> ClickBatch(POINT at, bool swapped) {
  return {TaggedInput(at, swapped ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN),
          TaggedInput(at, swapped ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP)};
}

Win32Pointer::~Win32Pointer() {
  Unhook();
}

// The cursor goes back only when its place could be read: on the secure desktop or
// in a disconnected session it cannot, and 0,0 would be no better.
Press Win32Pointer::Click(Point at, bool onlyFollowed) {
  if (Busy()) {
    return {.result = Press::Result::kBusy, .detail = {}};
  }
  HWND there = ::GetAncestor(::WindowFromPoint({at.x, at.y}), GA_ROOT);
  const DWORD owner = OwnerOf(there);
  const bool ours = owner == ::GetCurrentProcessId();
  HWND followed = onlyFollowed ? followed_.Found() : nullptr;
  if (followed != nullptr && there != followed && !ours) {
    return {.result = Press::Result::kCovered, .detail = there ? TitleOf(there) : std::string()};
  }
  // SendInput would report these sent, and nothing would arrive.
  if (!InputDesktopIsOurs()) {
    return {.result = Press::Result::kRefused,
            .detail =
                "the desktop takes no input (the screen is locked, a UAC prompt is up, or "
                "the session is disconnected)"};
  }
  if (owner != 0 && !ours && RunsHigher(owner)) {
    return {.result = Press::Result::kRefused,
            .detail = "the window \"" + TitleOf(there) +
                      "\" runs as administrator, and Windows drops Quorvex's input to it"};
  }
  POINT saved{};
  back_.reset();
  if (::GetCursorPos(&saved)) {
    back_ = saved;
  }
  // Wine calls low-level hooks inside SendInput, so its return is the release taken;
  // and a hook there makes another program's SendInput wait on this thread, which can
  // move the other's press to this one's point (two Quorvex on one PC).
  if (hook_ == nullptr && !UnderWine()) {
    hook_ = ::SetWindowsHookExW(WH_MOUSE_LL, OnMouse, ::GetModuleHandleW(nullptr), 0);
  }
  watching_ = this;
  landed_ = false;
  std::array<INPUT, 2> batch =
      ClickBatch(Absolute({at.x, at.y}), ::GetSystemMetrics(SM_SWAPBUTTON) != 0);
  if (::SendInput(2, batch.data(), sizeof(INPUT)) != 2) {
    Unhook();
    return {.result = Press::Result::kRefused, .detail = {}};
  }
  // The hook may have seen it already, inside SendInput. Without the hook nothing would
  // ever tell: the release is taken as sent.
  landed_ = landed_ || hook_ == nullptr;
  return {};
}

LRESULT CALLBACK Win32Pointer::OnMouse(int code, WPARAM message, LPARAM event) {
  const auto* mouse = reinterpret_cast<const MSLLHOOKSTRUCT*>(event);
  if (code == HC_ACTION && watching_ != nullptr && mouse->dwExtraInfo == kClickTag &&
      (message == WM_LBUTTONUP || message == WM_RBUTTONUP)) {
    watching_->landed_ = true;
  }
  return ::CallNextHookEx(nullptr, code, message, event);
}

void Win32Pointer::Return() {
  Unhook();
  if (back_) {
    ::SetCursorPos(back_->x, back_->y);
    back_.reset();
  }
}

void Win32Pointer::Unhook() {
  if (hook_ != nullptr) {
    ::UnhookWindowsHookEx(hook_);
    hook_ = nullptr;
  }
  watching_ = nullptr;
}

}  // namespace quorvex::win32
