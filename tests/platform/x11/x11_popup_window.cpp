// Test-only: another client's window at a given place, of one of three kinds:
//   x11_popup_window menu X Y W H     an override-redirect window, as a menu or tooltip
//   x11_popup_window normal X Y W H   a normal top-level window
//   x11_popup_window hog X Y W H      a normal window that raises itself again whenever
//                                     an override-redirect window is restacked (asking a
//                                     window manager as a pager does, which it grants)
// With a TITLE after H, it carries that title. It prints "ready" once mapped, then
// "click KIND BUTTON" for each press it receives.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};

// The window manager's way, where one runs; a bare server takes XRaiseWindow.
void RaiseAgain(Display* display, Window window) {
  XRaiseWindow(display, window);
  XEvent message{};
  message.xclient.type = ClientMessage;
  message.xclient.window = window;
  message.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
  message.xclient.format = 32;
  message.xclient.data.l[0] = 2;  // from a pager: no focus-stealing prevention
  message.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, DefaultRootWindow(display), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &message);
  XFlush(display);
}

}  // namespace

int main(int argc, char** argv) {
  std::unique_ptr<Display, DisplayCloser> owner(XOpenDisplay(nullptr));
  Display* display = owner.get();
  if (!display || argc < 6 || argc > 7) {
    std::fprintf(stderr,
                 "usage: x11_popup_window menu|normal|hog X Y W H [TITLE] (with DISPLAY set)\n");
    return 1;
  }
  const char* kind = argv[1];
  const bool menu = std::strcmp(kind, "menu") == 0;
  const bool hog = std::strcmp(kind, "hog") == 0;
  const int x = std::atoi(argv[2]), y = std::atoi(argv[3]);
  const auto width = static_cast<unsigned>(std::atoi(argv[4]));
  const auto height = static_cast<unsigned>(std::atoi(argv[5]));
  const Window root = DefaultRootWindow(display);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = menu ? True : False;
  attributes.background_pixel = BlackPixel(display, DefaultScreen(display));
  attributes.event_mask = ButtonPressMask | StructureNotifyMask;
  const Window window =
      XCreateWindow(display, root, x, y, width, height, 0, CopyFromParent, InputOutput,
                    CopyFromParent, CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
  XSizeHints hints{};
  hints.flags = USPosition | PPosition;
  hints.x = x;
  hints.y = y;
  XSetWMNormalHints(display, window, &hints);
  if (argc == 7) {
    XStoreName(display, window, argv[6]);
  }
  if (hog) {
    XSelectInput(display, root, SubstructureNotifyMask);
  }
  XMapRaised(display, window);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == MapNotify && event.xmap.window == window) {
      std::printf("ready\n");
      std::fflush(stdout);
    } else if (event.type == ButtonPress) {
      std::printf("click %s %u\n", kind, event.xbutton.button);
      std::fflush(stdout);
    } else if (hog && event.type == ConfigureNotify && event.xconfigure.override_redirect) {
      RaiseAgain(display, window);
    }
  }
}
