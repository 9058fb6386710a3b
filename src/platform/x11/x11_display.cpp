#include "platform/x11/x11_display.h"

#include <X11/Xresource.h>
#include <X11/extensions/XTest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "common/failure.h"
#include "common/twips.h"

namespace quorvex::x11 {
namespace {

constexpr double kDefaultDpi = 96.0;

// A failed request (a window gone meanwhile) is reported and the program goes on,
// as it does when a Windows call fails.
int* trappedFailures = nullptr;

int ReportError(Display* display, XErrorEvent* error) {
  if (trappedFailures != nullptr) {
    ++*trappedFailures;
    return 0;
  }
  char text[256] = {};
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "Quorvex: X request %d failed: %s\n", error->request_code, text);
  return 0;
}

std::function<void()>& ConnectionLostWork() {
  static std::function<void()> work;
  return work;
}

// Xlib's own handler would exit without a word and with the port still held. The
// state of the connection is lost for good: nothing of Xlib's is touched again.
int ReportConnectionLost(Display* display) {
  if (const auto& release = ConnectionLostWork()) {
    release();
  }
  const std::string message = FailureMessage(
      failure::kDisplay, "The connection to the X display \"" + Printable(DisplayString(display)) +
                             "\" is lost; the serial port is released.");
  std::fprintf(stderr, "Quorvex: %s\n", message.c_str());
  std::_Exit(1);
}

struct DatabaseDestroyer {
  void operator()(_XrmHashBucketRec* database) const { XrmDestroyDatabase(database); }
};

}  // namespace

DisplayPtr OpenDisplay() {
  DisplayPtr display(XOpenDisplay(nullptr));
  if (!display) {
    throw Failure(failure::kDisplay,
                  "Cannot open the X display \"" + Printable(XDisplayName(nullptr)) +
                      "\": Quorvex needs an X11 session (see README, Running on Linux).");
  }
  int event = 0, error = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(display.get(), &event, &error, &major, &minor)) {
    throw Failure(failure::kDisplay,
                  "The X display has no XTEST extension: Quorvex cannot click for the operator.");
  }
  XSetErrorHandler(ReportError);
  XSetIOErrorHandler(ReportConnectionLost);
  return display;
}

ErrorTrap::ErrorTrap() : previous_(std::exchange(trappedFailures, &failures_)) {}

ErrorTrap::~ErrorTrap() {
  trappedFailures = previous_;
}

Unwatched::Unwatched(Display* display) : display_(display) {
  XGrabServer(display);
  XSelectInput(display, DefaultRootWindow(display), kRootEvents & ~SubstructureNotifyMask);
}

Unwatched::~Unwatched() {
  XSelectInput(display_, DefaultRootWindow(display_), kRootEvents);
  XUngrabServer(display_);
}

void OnConnectionLost(std::function<void()> release) {
  ConnectionLostWork() = std::move(release);
}

double TwipsPerPixelOf(Display* display) {
  double dpi = kDefaultDpi;
  if (const char* resources = XResourceManagerString(display)) {
    XrmInitialize();
    std::unique_ptr<_XrmHashBucketRec, DatabaseDestroyer> database(XrmGetStringDatabase(resources));
    char* type = nullptr;
    XrmValue value{};
    if (database && XrmGetResource(database.get(), "Xft.dpi", "Xft.Dpi", &type, &value) &&
        value.addr) {
      const std::string text(value.addr, strnlen(value.addr, value.size));
      const double given = std::strtod(text.c_str(), nullptr);
      // Out of range, overlays shrink to nothing or their pixels overflow X's 16 bits.
      if (given >= kMinDpi && given <= kMaxDpi) {
        dpi = given;
      } else {
        std::fprintf(stderr,
                     "Quorvex: The Xft.dpi resource \"%s\" is outside %g to %g dots per inch; "
                     "%g is taken.\n",
                     Printable(text).c_str(), kMinDpi, kMaxDpi, kDefaultDpi);
      }
    }
  }
  return TwipsPerPixel(dpi);
}

unsigned long PixelOf(Display* display, unsigned rgb) {
  const auto channel = [rgb](int shift) {
    return static_cast<unsigned short>(((rgb >> shift) & 0xFF) * 0x101);
  };
  XColor color{};
  color.red = channel(16);
  color.green = channel(8);
  color.blue = channel(0);
  color.flags = DoRed | DoGreen | DoBlue;
  XAllocColor(display, DefaultColormap(display, DefaultScreen(display)), &color);
  return color.pixel;
}

}  // namespace quorvex::x11
