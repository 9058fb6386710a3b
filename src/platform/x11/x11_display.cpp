#include "platform/x11/x11_display.h"

#include <X11/Xresource.h>
#include <X11/extensions/XTest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/failure.h"
#include "platform/twips.h"

namespace quorvex::x11 {
namespace {

constexpr double kDefaultDpi = 96.0;

// A failed request (a window gone meanwhile) is reported and the program goes on,
// as it does when a Windows call fails.
int ReportError(Display* display, XErrorEvent* error) {
  char text[256] = {};
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "Quorvex: X request %d failed: %s\n", error->request_code, text);
  return 0;
}

struct DatabaseDestroyer {
  void operator()(_XrmHashBucketRec* database) const { XrmDestroyDatabase(database); }
};

}  // namespace

DisplayPtr OpenDisplay() {
  DisplayPtr display(XOpenDisplay(nullptr));
  if (!display) {
    throw Failure(failure::kDisplay,
                  "Cannot open the X display \"" + std::string(XDisplayName(nullptr)) +
                      "\": Quorvex needs an X11 session (see README, Running on Linux).");
  }
  int event = 0, error = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(display.get(), &event, &error, &major, &minor)) {
    throw Failure(failure::kDisplay,
                  "The X display has no XTEST extension: Quorvex cannot click for the operator.");
  }
  XSetErrorHandler(ReportError);
  return display;
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
      const double given = std::strtod(value.addr, nullptr);
      dpi = given > 0 ? given : kDefaultDpi;
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
