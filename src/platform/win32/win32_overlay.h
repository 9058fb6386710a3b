// One overlay window on Windows.
#pragma once

#include <functional>

#include "platform/overlay.h"
#include "platform/pointer.h"
#include "platform/win32/win32_screen.h"
#include "platform/win32/win32_window_class.h"

namespace quorvex::win32 {

// A borderless, captionless, hidden popup with the text "B", no taskbar button, never activated;
// its class's background is all it shows. A left press and release over it is a click.
class Win32Overlay final : public Overlay, private MessageTarget {
 public:
  // `onDisplayChange`, when given, hears WM_DISPLAYCHANGE: message-only windows never do.
  Win32Overlay(const WindowClass& windowClass, TwipsScale scale, std::function<void(Point)> onClick,
               std::function<void()> onClose, std::function<void()> onDisplayChange = {});

  void Place(const TwipsRect& rect) override;
  void Show(bool shown) override;
  void KeepOnTop() override;
  void Opacity(std::uint8_t alpha) override;
  void Held(bool held) override;

  HWND handle() const { return window_.get(); }
  // Kept on top, and put in its place when shown, by `restack` instead of made topmost.
  void StackWith(std::function<void()> restack) { restack_ = std::move(restack); }
  // Off while a message box is open, so the operator's clicks cannot reach the logic.
  void AcceptInput(bool accept);

 private:
  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void Released(LPARAM where);
  bool PaintHeld(HDC dc);

  TwipsScale scale_;
  std::function<void(Point)> onClick_;
  std::function<void()> onClose_;
  std::function<void()> onDisplayChange_;
  std::function<void()> restack_;
  bool pressed_ = false;
  bool held_ = false;
  UniqueWindow window_;  // last: created once everything it may call on is in place
};

}  // namespace quorvex::win32
