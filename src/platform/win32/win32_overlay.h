#pragma once

#include <functional>

#include "platform/win32/win32_screen.h"
#include "platform/win32/win32_window_class.h"
#include "platform/window.h"

namespace quorvex::win32 {

// A borderless, captionless, hidden popup with the text "B", no taskbar button, never activated;
// its class's background is all it shows. A left press and release over it is a click.
class Win32Overlay final : public OverlayWindow, private MessageTarget {
 public:
  Win32Overlay(const WindowClass& windowClass, TwipsScale scale, std::function<void()> onClick,
               std::function<void()> onClose);

  void Left(double twips) override;
  void Top(double twips) override;
  void Width(double twips) override;
  void Height(double twips) override;
  std::uint32_t hWnd() const override;
  void Visible(bool visible) override;

  // Off while a message box is open, so the operator's clicks cannot reach the logic.
  void AcceptInput(bool accept);

 private:
  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void Move();
  void Resize();
  void Released(LPARAM where);

  TwipsScale scale_;
  std::function<void()> onClick_;
  std::function<void()> onClose_;
  int x_ = 0;
  int y_ = 0;
  int width_;
  int height_;
  bool pressed_ = false;
  UniqueWindow window_;  // last: created once everything it may call on is in place
};

}  // namespace quorvex::win32
