// A message box: the text, an OK button and the title "Quorvex". The host runs its
// own loop while one is open; this only draws it and tells when it is dismissed.
#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/x11/x11_display.h"

namespace quorvex::x11 {

// The text in lines no wider than `maxWidth` as `widthOf` measures them, broken
// between words where it can be and inside a word that is wider on its own; at most
// `maxLines`, the last of them ending in "..." when some are left out.
std::vector<std::string> WrapLines(std::string_view text, int maxWidth, std::size_t maxLines,
                                   const std::function<int(std::string_view)>& widthOf);

class X11MessageBox {
 public:
  X11MessageBox(Display* display, std::string_view text);
  ~X11MessageBox();
  X11MessageBox(const X11MessageBox&) = delete;
  X11MessageBox& operator=(const X11MessageBox&) = delete;

  bool Owns(Window window) const { return window == window_.get(); }
  void Handle(XEvent& event);
  bool Dismissed() const { return dismissed_; }

 private:
  struct Layout {
    int width, height, lineHeight, buttonX, buttonY;
  };
  int WidthOf(std::string_view text) const;
  int LineHeight() const;
  std::vector<std::string> Wrap(std::string_view text) const;
  Layout Measure() const;
  void Draw();
  bool OverButton(int x, int y) const;
  void BringForward();

  Display* display_;
  XFontStruct* font_;
  std::vector<std::string> lines_;
  Layout layout_;
  UniqueWindow window_;
  GC gc_;
  bool pressed_ = false;
  bool dismissed_ = false;
};

}  // namespace quorvex::x11
