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
// staying above later windows is X11Stacking's work: the overlay only tells it when
// its stacking may need a look. A window of no width or height catches nothing, as on
// Windows: X has no empty windows, so it is not mapped at all.
#pragma once

#include <X11/Xlib.h>

#include <array>
#include <cstdint>
#include <functional>

#include "platform/overlay.h"
#include "platform/x11/x11_display.h"

namespace quorvex::x11 {

// When a look at the stacking is due: on a next turn, or once moves have stopped.
enum class LookWhen { kSoon, kOnceStill };

class X11Overlay final : public Overlay {
 public:
  // `restack` is called whenever the overlay's place in the stacking order may need
  // a look (shown, placed, kept above, moved with the application's window); it must
  // not restack at once.
  X11Overlay(Display* display, const char* name, double twipsPerPixel,
             std::function<void(LookWhen)> restack);

  void Place(const TwipsRect& rect) override;
  void Follow(const TwipsRect& rect) override;
  void Show(bool shown) override;
  void KeepOnTop() override;
  void Opacity(std::uint8_t alpha) override;
  void Held(bool held) override;

  bool Owns(Window window) const { return window == input_.get() || window == face_.get(); }
  struct Rect {
    int x, y, width, height;  // pixels
  };
  Rect Place() const { return {left_, top_, width_, height_}; }
  // Mapped and to stay above normal windows.
  bool KeptAbove() const { return above_ && inputMapped_; }
  // Bottom to top: the input window directly above the face.
  std::array<Window, 2> Windows() const { return {face_.get(), input_.get()}; }

  // A left press and release over the window; true on the release that completes it.
  bool TakeClick(const XButtonEvent& event);

 private:
  int ToPixels(double twips) const;
  void Place(const TwipsRect& rect, LookWhen look);
  void Apply();
  void Map();
  void Move();

  Display* display_;
  double twipsPerPixel_;
  std::function<void(LookWhen)> restack_;
  UniqueWindow face_;
  UniqueWindow input_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;  // pixels
  bool visible_ = false;
  bool above_ = false;
  bool layered_ = false;  // given an opacity: until then drawn opaque
  std::uint8_t alpha_ = 255;
  bool pressed_ = false;
  bool faceMapped_ = false;
  bool inputMapped_ = false;
};

}  // namespace quorvex::x11
