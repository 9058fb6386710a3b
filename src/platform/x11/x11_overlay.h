// One overlay window on X11.
//
// An overlay is two override-redirect windows with the same rectangle: an InputOnly
// window on top, which is the handle and catches the operator's clicks, and beneath
// it an InputOutput "face" that draws the button-face colour. InputOnly windows are
// never drawn, so without any compositor the application beneath stays visible while
// the clicks are still caught, which is what opacity 1 does on Windows; the face is
// mapped only while the window is opaque or at least half opaque (alpha 220 for
// alignment), with _NET_WM_WINDOW_OPACITY for compositors that honour it. Override-
// redirect keeps window managers from decorating, moving or listing the overlays;
// staying above later windows is done by raising the overlays again whenever another
// top-level window is restacked (see X11Host).
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

#include "platform/window.h"
#include "platform/x11/x11_display.h"

namespace quorvex::x11 {

class X11Overlay final : public OverlayWindow {
 public:
  X11Overlay(Display* display, const char* name, double twipsPerPixel);

  void Left(double twips) override;
  void Top(double twips) override;
  void Width(double twips) override;
  void Height(double twips) override;
  std::uint32_t hWnd() const override { return static_cast<std::uint32_t>(input_.get()); }
  void Visible(bool visible) override;

  bool Owns(Window window) const { return window == input_.get() || window == face_.get(); }
  Window InputWindow() const { return input_.get(); }

  // The topmost and layered state the user32 calls set.
  void KeepAbove(bool above);
  void Layered(bool layered);
  void Opacity(std::uint8_t alpha);
  // Back above every other top-level window, if it is to stay there and is shown.
  void Raise();

  // A left press and release over the window; true on the release that completes it.
  bool TakeClick(const XButtonEvent& event);

 private:
  int ToPixels(double twips) const;
  void Apply();
  void Move();
  void ShowFace();

  Display* display_;
  double twipsPerPixel_;
  UniqueWindow face_;
  UniqueWindow input_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;  // pixels
  bool visible_ = false;
  bool above_ = false;
  bool layered_ = false;
  std::uint8_t alpha_ = 255;
  bool pressed_ = false;
};

}  // namespace quorvex::x11
