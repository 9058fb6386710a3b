// Test-only: a second input client, driven one command a line on stdin, answering
// "ok" or "failed" on stdout for each:
//   press N | release N     holds or lets go physical button N (XTEST)
//   grab | ungrab           takes or drops an active grab of the pointer
//   map B1 B2 ...           sets the pointer mapping (3 2 1: a left-handed mouse)
//   held                    "ok" while the server has a button down, whoever pressed it
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};

bool Run(Display* display, const std::string& line) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  const Window root = DefaultRootWindow(display);
  if (verb == "press" || verb == "release") {
    unsigned button = 0;
    in >> button;
    return XTestFakeButtonEvent(display, button, verb == "press", CurrentTime) != 0;
  }
  if (verb == "grab") {
    return XGrabPointer(display, root, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None,
                        None, CurrentTime) == GrabSuccess;
  }
  if (verb == "held") {
    Window rootBack = None, child = None;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned mask = 0;
    XQueryPointer(display, root, &rootBack, &child, &rootX, &rootY, &x, &y, &mask);
    return (mask & (Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask)) != 0;
  }
  if (verb == "ungrab") {
    XUngrabPointer(display, CurrentTime);
    return true;
  }
  if (verb == "map") {
    // The buttons not given keep their place: the map must name them all.
    std::vector<unsigned char> map(256);
    map.resize(static_cast<std::size_t>(
        XGetPointerMapping(display, map.data(), static_cast<int>(map.size()))));
    std::size_t physical = 0;
    for (int button = 0; physical < map.size() && in >> button; ++physical) {
      map[physical] = static_cast<unsigned char>(button);
    }
    return XSetPointerMapping(display, map.data(), static_cast<int>(map.size())) == MappingSuccess;
  }
  return false;
}

}  // namespace

int main() {
  std::unique_ptr<Display, DisplayCloser> owner(XOpenDisplay(nullptr));
  if (!owner) {
    std::fprintf(stderr, "x11_input_client: no display\n");
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  for (std::string line; std::getline(std::cin, line);) {
    const bool done = Run(owner.get(), line);
    XSync(owner.get(), False);
    std::printf("%s\n", done ? "ok" : "failed");
    std::fflush(stdout);
  }
  return 0;
}
