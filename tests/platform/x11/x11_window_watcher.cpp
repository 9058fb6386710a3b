// Test-only: prints every move of one window, with the time it was seen, so that a
// test can tell how long an overlay stayed stepped aside.
//   x11_window_watcher WINDOW_ID      ->   "watching" once, then "moved X Y MS" lines
// MS is CLOCK_MONOTONIC in milliseconds.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

namespace {

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};

double NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  std::unique_ptr<Display, DisplayCloser> owner(XOpenDisplay(nullptr));
  Display* display = owner.get();
  if (!display || argc != 2) {
    std::fprintf(stderr, "usage: x11_window_watcher WINDOW_ID (with DISPLAY set)\n");
    return 1;
  }
  const Window window = std::strtoul(argv[1], nullptr, 0);
  XSelectInput(display, window, StructureNotifyMask);
  XSync(display, False);
  std::printf("watching\n");
  std::fflush(stdout);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == ConfigureNotify) {
      std::printf("moved %d %d %.3f\n", event.xconfigure.x, event.xconfigure.y, NowMs());
      std::fflush(stdout);
    }
  }
}
