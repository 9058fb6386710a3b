#include "platform/x11/x11_overlay.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>

#include "common/failure.h"
#include "common/twips.h"

namespace quorvex::x11 {
namespace {

constexpr unsigned kButtonFace = 0xF0F0F0;
// Amber: a held button reads as a warning, never as alignment's grey.
constexpr unsigned kHeldFace = 0xFFB000;
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

X11Overlay::X11Overlay(Display* display, const char* name, double twipsPerPixel,
                       std::function<void(LookWhen)> restack)
    : display_(display),
      twipsPerPixel_(twipsPerPixel),
      restack_(std::move(restack)),
      face_(display, CreateFace(display, name)),
      input_(display, CreateInput(display, name)),
      width_(ToPixels(kDefaultWidthTwips)),
      height_(ToPixels(kDefaultHeightTwips)) {
  Apply();
}

int X11Overlay::ToPixels(double twips) const {
  return TwipsToPixels(twips, twipsPerPixel_);
}

void X11Overlay::Place(const TwipsRect& rect) {
  Place(rect, LookWhen::kSoon);
}

// 60 moves a second in a drag: each costs one wake-up, the application's, not three.
// A move alone lets nothing through that lay beneath: the stacking can wait for the
// window to stop.
void X11Overlay::Follow(const TwipsRect& rect) {
  const Unwatched unwatched(display_);
  Place(rect, LookWhen::kOnceStill);
}

// Moved, or back from stepping aside, it may lie beneath a window raised meanwhile.
void X11Overlay::Place(const TwipsRect& rect, LookWhen look) {
  if (rect.width < 0 || rect.height < 0) {
    ThrowNegative(rect.width < 0 ? "width" : "height", rect.width < 0 ? rect.width : rect.height);
  }
  const int width = ToPixels(rect.width);
  const int height = ToPixels(rect.height);
  const bool resized = width != width_ || height != height_;
  left_ = ToPixels(rect.left);
  top_ = ToPixels(rect.top);
  width_ = width;
  height_ = height;
  if (resized) {
    Apply();
  } else {
    Move();
  }
  restack_(look);
}

// X has no empty windows: an empty one keeps a pixel but is not mapped (see Map).
void X11Overlay::Apply() {
  const auto width = static_cast<unsigned>(std::max(width_, 1));
  const auto height = static_cast<unsigned>(std::max(height_, 1));
  XMoveResizeWindow(display_, face_.get(), left_, top_, width, height);
  XMoveResizeWindow(display_, input_.get(), left_, top_, width, height);
  Map();
}

// The step-aside is on the way to a click: a move alone, as resizing even to the same
// size costs the server several times more, and none for a face not shown (Map places
// it), as the server works through every request ahead of the click's.
void X11Overlay::Move() {
  if (faceMapped_) {
    XMoveWindow(display_, face_.get(), left_, top_);
  }
  XMoveWindow(display_, input_.get(), left_, top_);
}

void X11Overlay::Show(bool shown) {
  visible_ = shown;
  Map();
}

void X11Overlay::KeepOnTop() {
  above_ = true;
  restack_(LookWhen::kSoon);
}

void X11Overlay::Opacity(std::uint8_t alpha) {
  layered_ = true;
  alpha_ = alpha;
  const Atom opacity = XInternAtom(display_, "_NET_WM_WINDOW_OPACITY", False);
  const unsigned long value = alpha * 0x01010101UL;
  XChangeProperty(display_, face_.get(), opacity, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&value), 1);
  Map();
}

void X11Overlay::Held(bool held) {
  XSetWindowBackground(display_, face_.get(), PixelOf(display_, held ? kHeldFace : kButtonFace));
  XClearWindow(display_, face_.get());
}

// Mapping leaves a window where it was in the stacking order, which may be beneath
// windows raised meanwhile: the stacking gets a look whenever one is mapped.
void X11Overlay::Map() {
  const bool shown = visible_ && width_ > 0 && height_ > 0;
  const bool drawn = shown && (!layered_ || alpha_ >= kFaceAlpha);
  bool mapped = false;
  for (auto [window, state, wanted] : {std::tuple{face_.get(), &faceMapped_, drawn},
                                       std::tuple{input_.get(), &inputMapped_, shown}}) {
    if (*state == wanted) {
      continue;
    }
    *state = wanted;
    if (wanted) {
      if (window == face_.get()) {
        XMoveWindow(display_, window, left_, top_);
      }
      XMapWindow(display_, window);
      mapped = true;
    } else {
      XUnmapWindow(display_, window);
    }
  }
  if (!shown) {
    pressed_ = false;
  }
  if (mapped) {
    restack_(LookWhen::kSoon);
  }
}

bool X11Overlay::TakeClick(const XButtonEvent& event) {
  if (event.button != Button1) {
    return false;
  }
  if (event.type == ButtonPress) {
    pressed_ = true;
    return false;
  }
  const bool inside = event.x >= 0 && event.y >= 0 && event.x < width_ && event.y < height_;
  return std::exchange(pressed_, false) && inside;
}

}  // namespace quorvex::x11
