// The one connection to the X server, and what the program reads from it once.
#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <memory>

namespace quorvex::x11 {

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

// Throws Failure (kDisplay) when no X display can be reached or it lacks XTEST.
DisplayPtr OpenDisplay();

// Requests on other clients' windows, which may go at any moment: while a trap is
// set their failures are expected, and counted instead of reported. A request that
// waits for its reply has had its failure counted by then; one that does not, by the
// next that does.
class ErrorTrap {
 public:
  ErrorTrap();
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
  bool Failed() const { return failures_ > 0; }

 private:
  int failures_ = 0;
  int* previous_;
};

// What the program watches on the root: every top-level window's maps, moves and
// restacks (a chance to be covered), and the screen's own size (RandR).
constexpr long kRootEvents = SubstructureNotifyMask | StructureNotifyMask;

// While one lives, the server is held and the root's watch of top-level windows is
// off: the ConfigureNotify of the program's own windows moved meanwhile, news to no
// one, wakes no one, and no other client's news is missed. Never across a wait for
// the user.
class Unwatched {
 public:
  explicit Unwatched(Display* display);
  ~Unwatched();
  Unwatched(const Unwatched&) = delete;
  Unwatched& operator=(const Unwatched&) = delete;

 private:
  Display* display_;
};

// What to do, before the program ends, when the connection to the X server is lost
// (the server ended, the session closed); nullptr for nothing. The program then says
// so on standard error and ends with status 1.
void OnConnectionLost(std::function<void()> release);

// 1440 / the Xft.dpi resource, or / 96 when it is not set or outside kMinDpi..kMaxDpi
// (which is said on standard error).
constexpr double kMinDpi = 24;
constexpr double kMaxDpi = 960;
double TwipsPerPixelOf(Display* display);

// The pixel value of an RGB colour (0xRRGGBB) on the default screen.
unsigned long PixelOf(Display* display, unsigned rgb);

// An X resource that `Free` releases with its owner.
template <typename Id, auto Free>
class UniqueResource {
 public:
  UniqueResource(Display* display, Id id) : display_(display), id_(id) {}
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  ~UniqueResource() { Free(display_, id_); }
  Id get() const { return id_; }

 private:
  Display* display_;
  Id id_;
};

using UniqueWindow = UniqueResource<Window, XDestroyWindow>;
using UniquePixmap = UniqueResource<Pixmap, XFreePixmap>;
using UniqueGc = UniqueResource<GC, XFreeGC>;

}  // namespace quorvex::x11
