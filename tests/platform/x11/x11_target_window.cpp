// A stand-in for the application beneath the overlays, for the tests and the demo:
// a window with a labelled Start and Stop button that prints, on stdout, where the
// buttons are and every button press each of them receives:
//   ready Start=x,y,w,h Stop=x,y,w,h        (root coordinates, once placed)
//   click Start 1                           (button name, mouse button)
//   click background 1                      (a press beside the buttons)
//   point x y                               (after each click line: where, on the root)
//   release Start 1 x y                     (that button's release, where on the root)
// Usage: x11_target_window [x y [title]]   (the window's top-left corner, default
// 100 100; with a title, it carries that title and keeps a window manager's frame)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

struct Button {
  const char* name;
  int x, y;
  unsigned rgb;
  Window window = 0;
};

constexpr int kWidth = 400;
constexpr int kHeight = 160;
constexpr int kButtonWidth = 160;
constexpr int kButtonHeight = 80;

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};

// Labels only, to tell the buttons apart on a screenshot: the tests look at the
// buttons' left edge, never at the text.
class Labels {
 public:
  explicit Labels(Display* display)
      : display_(display), gc_(XCreateGC(display, DefaultRootWindow(display), 0, nullptr)) {
    for (const char* name : {"-*-helvetica-bold-r-normal--24-*-*-*-*-*-iso8859-1",
                             "-*-*-bold-r-normal--24-*-*-*-*-*-iso8859-1", "fixed"}) {
      font_ = XLoadQueryFont(display, name);
      if (font_) {
        break;
      }
    }
    XSetForeground(display, gc_, WhitePixel(display, DefaultScreen(display)));
    if (font_) {
      XSetFont(display, gc_, font_->fid);
    }
  }
  ~Labels() {
    if (font_) {
      XFreeFont(display_, font_);
    }
    XFreeGC(display_, gc_);
  }
  Labels(const Labels&) = delete;
  Labels& operator=(const Labels&) = delete;

  void Draw(Window window, const std::string& text, int width, int height) const {
    const int length = static_cast<int>(text.size());
    const int textWidth = font_ ? XTextWidth(font_, text.c_str(), length) : 0;
    const int ascent = font_ ? font_->ascent : 0;
    XDrawString(display_, window, gc_, (width - textWidth) / 2, (height + ascent) / 2, text.c_str(),
                length);
  }

 private:
  Display* display_;
  GC gc_;
  XFontStruct* font_ = nullptr;
};

unsigned long Pixel(Display* display, unsigned rgb) {
  XColor color{};
  color.red = static_cast<unsigned short>(((rgb >> 16) & 0xFF) * 0x101);
  color.green = static_cast<unsigned short>(((rgb >> 8) & 0xFF) * 0x101);
  color.blue = static_cast<unsigned short>((rgb & 0xFF) * 0x101);
  XAllocColor(display, DefaultColormap(display, DefaultScreen(display)), &color);
  return color.pixel;
}

// Placed where asked and, without a title, undecorated, so that the buttons lie where
// the test expects with or without a window manager. A titled one is framed: its client
// area then lies within the frame, as an application's does.
Window CreateMain(Display* display, int x, int y, const char* title) {
  const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, kWidth,
                                            kHeight, 0, 0, Pixel(display, 0xFFFFFF));
  XStoreName(display, window, title ? title : "Quorvex target");
  XSizeHints hints{};
  hints.flags = USPosition | PPosition;
  hints.x = x;
  hints.y = y;
  XSetWMNormalHints(display, window, &hints);
  if (title) {
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title),
                    static_cast<int>(std::strlen(title)));
  } else {
    const Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    const std::array<unsigned long, 5> noDecorations{2, 0, 0, 0, 0};
    XChangeProperty(display, window, motif, motif, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(noDecorations.data()), 5);
  }
  XSelectInput(display, window, ExposureMask | ButtonPressMask | ButtonReleaseMask);
  return window;
}

void PrintPlaces(Display* display, std::array<Button, 2>& buttons) {
  std::printf("ready");
  for (const Button& button : buttons) {
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, button.window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    std::printf(" %s=%d,%d,%d,%d", button.name, x, y, kButtonWidth, kButtonHeight);
  }
  std::printf("\n");
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const int x = argc > 2 ? std::atoi(argv[1]) : 100;
  const int y = argc > 2 ? std::atoi(argv[2]) : 100;
  std::unique_ptr<Display, DisplayCloser> owner(XOpenDisplay(nullptr));
  Display* display = owner.get();
  if (!display) {
    std::fprintf(stderr, "x11_target_window: no display\n");
    return 1;
  }
  const Window main = CreateMain(display, x, y, argc > 3 ? argv[3] : nullptr);
  std::array<Button, 2> buttons{Button{"Start", 20, 40, 0x2060C0},
                                Button{"Stop", 220, 40, 0x20A040}};
  for (Button& button : buttons) {
    button.window = XCreateSimpleWindow(display, main, button.x, button.y, kButtonWidth,
                                        kButtonHeight, 0, 0, Pixel(display, button.rgb));
    XSelectInput(display, button.window, ButtonPressMask | ButtonReleaseMask | ExposureMask);
  }
  const Labels labels(display);
  XMapSubwindows(display, main);
  XMapWindow(display, main);
  bool announced = false;
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == Expose && event.xexpose.window == main && !announced) {
      PrintPlaces(display, buttons);
      announced = true;
    }
    for (const Button& button : buttons) {
      if (event.type == Expose && event.xexpose.window == button.window) {
        labels.Draw(button.window, button.name, kButtonWidth, kButtonHeight);
      }
    }
    if (event.type != ButtonPress && event.type != ButtonRelease) {
      continue;
    }
    // The press's window keeps the release wherever it lands: a release outside it
    // shows a click a toolkit would not count.
    const char* name = "background";
    for (const Button& button : buttons) {
      if (event.xbutton.window == button.window) {
        name = button.name;
      }
    }
    if (event.type == ButtonPress) {
      std::printf("click %s %u\npoint %d %d\n", name, event.xbutton.button, event.xbutton.x_root,
                  event.xbutton.y_root);
    } else {
      std::printf("release %s %u %d %d\n", name, event.xbutton.button, event.xbutton.x_root,
                  event.xbutton.y_root);
    }
    std::fflush(stdout);
  }
}
