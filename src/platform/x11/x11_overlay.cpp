#include "platform/x11/x11_overlay.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <string>
#include <utility>

#include "platform/failure.h"
#include "platform/twips.h"

namespace quorvex::x11 {
namespace {

constexpr unsigned kButtonFace = 0xF0F0F0;
constexpr double kDefaultWidthTwips = 4560;
constexpr double kDefaultHeightTwips = 3015;
// Below half opacity the face would hide more than it shows without a compositor.
constexpr std::uint8_t kFaceAlpha = 128;

Window CreateInput(Display* display, const char* name) {
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.event_mask = ButtonPressMask | ButtonReleaseMask;
  const Window window =
      XCreateWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, InputOnly,
                    CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
  XStoreName(display, window, "B");
  std::string resName = name;
  std::string resClass = "Quorvex";
  XClassHint hint{resName.data(), resClass.data()};
  XSetClassHint(display, window, &hint);
  return window;
}

Window CreateFace(Display* display, const char* name) {
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = PixelOf(display, kButtonFace);
  const int screen = DefaultScreen(display);
  const Window window = XCreateWindow(
      display, DefaultRootWindow(display), 0, 0, 1, 1, 0, DefaultDepth(display, screen),
      InputOutput, DefaultVisual(display, screen), CWOverrideRedirect | CWBackPixel, &attributes);
  std::string resName = std::string(name) + "Face";
  std::string resClass = "Quorvex";
  XClassHint hint{resName.data(), resClass.data()};
  XSetClassHint(display, window, &hint);
  return window;
}

[[noreturn]] void ThrowNegative(const char* what, double twips) {
  throw Failure(failure::kInvalidProperty, std::string("An overlay ") + what + " of " +
                                               std::to_string(static_cast<int>(twips)) +
                                               " twips is negative.");
}

}  // namespace

X11Overlay::X11Overlay(Display* display, const char* name, double twipsPerPixel)
    : display_(display),
      twipsPerPixel_(twipsPerPixel),
      face_(display, CreateFace(display, name)),
      input_(display, CreateInput(display, name)),
      width_(ToPixels(kDefaultWidthTwips)),
      height_(ToPixels(kDefaultHeightTwips)) {
  Apply();
}

int X11Overlay::ToPixels(double twips) const {
  return TwipsToPixels(twips, twipsPerPixel_);
}

void X11Overlay::Left(double twips) {
  left_ = ToPixels(twips);
  Move();
}

void X11Overlay::Top(double twips) {
  top_ = ToPixels(twips);
  Move();
}

void X11Overlay::Width(double twips) {
  if (twips < 0) {
    ThrowNegative("width", twips);
  }
  width_ = ToPixels(twips);
  Apply();
}

void X11Overlay::Height(double twips) {
  if (twips < 0) {
    ThrowNegative("height", twips);
  }
  height_ = ToPixels(twips);
  Apply();
}

// X has no empty windows: a zero size becomes one pixel.
void X11Overlay::Apply() {
  const auto width = static_cast<unsigned>(std::max(width_, 1));
  const auto height = static_cast<unsigned>(std::max(height_, 1));
  XMoveResizeWindow(display_, face_.get(), left_, top_, width, height);
  XMoveResizeWindow(display_, input_.get(), left_, top_, width, height);
}

// The step-aside is on the way to a click: a move alone, as resizing even to the same
// size costs the server several times more.
void X11Overlay::Move() {
  XMoveWindow(display_, face_.get(), left_, top_);
  XMoveWindow(display_, input_.get(), left_, top_);
}

void X11Overlay::Visible(bool visible) {
  visible_ = visible;
  if (!visible) {
    XUnmapWindow(display_, input_.get());
    XUnmapWindow(display_, face_.get());
    pressed_ = false;
    return;
  }
  ShowFace();
  XMapRaised(display_, input_.get());
  Raise();
}

void X11Overlay::KeepAbove(bool above) {
  above_ = above;
  Raise();
}

void X11Overlay::Layered(bool layered) {
  layered_ = layered;
  ShowFace();
}

void X11Overlay::Opacity(std::uint8_t alpha) {
  alpha_ = alpha;
  const Atom opacity = XInternAtom(display_, "_NET_WM_WINDOW_OPACITY", False);
  const unsigned long value = alpha * 0x01010101UL;
  XChangeProperty(display_, face_.get(), opacity, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&value), 1);
  ShowFace();
}

void X11Overlay::ShowFace() {
  const bool drawn = !layered_ || alpha_ >= kFaceAlpha;
  if (visible_ && drawn) {
    XMapWindow(display_, face_.get());
    Raise();
  } else {
    XUnmapWindow(display_, face_.get());
  }
}

void X11Overlay::Raise() {
  if (!visible_ || !above_) {
    return;
  }
  // The face first, so that the input window ends up directly above it.
  XRaiseWindow(display_, face_.get());
  XRaiseWindow(display_, input_.get());
}

bool X11Overlay::TakeClick(const XButtonEvent& event) {
  if (event.button != Button1) {
    return false;
  }
  if (event.type == ButtonPress) {
    pressed_ = true;
    return false;
  }
  const bool inside = event.x >= 0 && event.y >= 0 && event.x < std::max(width_, 1) &&
                      event.y < std::max(height_, 1);
  return std::exchange(pressed_, false) && inside;
}

}  // namespace quorvex::x11
