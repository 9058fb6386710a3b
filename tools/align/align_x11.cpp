// quorvex-align on an X11 desktop, seeing the screen through the program's own display code.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "align_platform.h"
#include "common/failure.h"
#include "platform/x11/x11_display.h"
#include "platform/x11/x11_followed_window.h"

namespace quorvex::align {
namespace {

constexpr unsigned kInk = 0xFF00FF;
// Another client raising its windows again and again gets an answer this often, no more.
constexpr auto kRaiseInterval = std::chrono::milliseconds(100);

struct FontFreer {
  Display* display;
  void operator()(XFontStruct* font) const { XFreeFont(display, font); }
};

// True when a line, or the end, has come on standard input.
bool EnterPressed() {
  std::array<char, 256> buffer;
  const ssize_t got = read(STDIN_FILENO, buffer.data(), buffer.size());
  if (got < 0) {
    return errno != EINTR && errno != EAGAIN;
  }
  return got == 0 || std::memchr(buffer.data(), '\n', static_cast<std::size_t>(got)) != nullptr;
}

class X11Desk final : public Desk {
 public:
  X11Desk()
      : display_(x11::OpenDisplay()),
        font_(XLoadQueryFont(display_.get(), "fixed"), FontFreer{display_.get()}) {}

  PixelPoint Pointer() override {
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned mask = 0;
    XQueryPointer(display_.get(), DefaultRootWindow(display_.get()), &root, &child, &rootX, &rootY,
                  &x, &y, &mask);
    return {rootX, rootY};
  }

  TwipsScale Scale() override {
    const double perPixel = x11::TwipsPerPixelOf(display_.get());
    return {perPixel, perPixel};
  }

  PixelRect Screen() override {
    const int screen = DefaultScreen(display_.get());
    return {0, 0, DisplayWidth(display_.get(), screen), DisplayHeight(display_.get(), screen)};
  }

  PixelSize TextSize(const std::string& text) override {
    if (!font_) {
      return {};
    }
    return {XTextWidth(font_.get(), text.data(), static_cast<int>(text.size())),
            font_->ascent + font_->descent};
  }

  std::optional<PickedWindow> WindowAt(PixelPoint point) override;

  std::optional<PixelPoint> WindowOrigin(std::string_view titlePart) override {
    x11::X11FollowedWindow window(
        display_.get(), [](Window) { return false; }, [] {});
    window.Follow(titlePart);
    return Pixels(window.ClientOrigin());
  }

  void ShowUntilEnter(std::string_view titlePart,
                      const std::function<Drawing(PixelPoint)>& plan) override;

 private:
  static std::optional<PixelPoint> Pixels(std::optional<Point> point) {
    return point ? std::optional(PixelPoint{point->x, point->y}) : std::nullopt;
  }
  Window CreateWindow(const PixelRect& screen);
  void Draw(Window window, const PixelRect& screen, const Drawing& drawing);
  void KeepAbove(Window window);

  x11::DisplayPtr display_;
  std::unique_ptr<XFontStruct, FontFreer> font_;
};

// Override-redirect: no window manager frames, moves or focuses it.
Window X11Desk::CreateWindow(const PixelRect& screen) {
  Display* display = display_.get();
  const int number = DefaultScreen(display);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.background_pixel = x11::PixelOf(display, kInk);
  const Window window = XCreateWindow(
      display, DefaultRootWindow(display), screen.x, screen.y, static_cast<unsigned>(screen.width),
      static_cast<unsigned>(screen.height), 0, DefaultDepth(display, number), InputOutput,
      DefaultVisual(display, number), CWOverrideRedirect | CWBackPixel, &attributes);
  XStoreName(display, window, "quorvex-align");
  std::string resName = "drawing";
  std::string resClass = "QuorvexAlign";
  XClassHint hint{resName.data(), resClass.data()};
  XSetClassHint(display, window, &hint);
  XWMHints hints{};
  hints.flags = InputHint;
  hints.input = False;
  XSetWMHints(display, window, &hints);
  return window;
}

// The window shows its background only where the drawing has ink, and its input
// region is empty: every click and key goes to what lies beneath.
void X11Desk::Draw(Window window, const PixelRect& screen, const Drawing& drawing) {
  Display* display = display_.get();
  const x11::UniquePixmap mask(display,
                               XCreatePixmap(display, window, static_cast<unsigned>(screen.width),
                                             static_cast<unsigned>(screen.height), 1));
  const x11::UniqueGc gc(display, XCreateGC(display, mask.get(), 0, nullptr));
  XSetForeground(display, gc.get(), 0);
  XFillRectangle(display, mask.get(), gc.get(), 0, 0, static_cast<unsigned>(screen.width),
                 static_cast<unsigned>(screen.height));
  XSetForeground(display, gc.get(), 1);
  std::vector<XRectangle> strokes;
  for (const PixelRect& stroke : drawing.strokes) {
    const PixelRect shown = Intersection(stroke, screen);
    if (!shown.Empty()) {
      strokes.push_back(
          {static_cast<short>(shown.x - screen.x), static_cast<short>(shown.y - screen.y),
           static_cast<unsigned short>(shown.width), static_cast<unsigned short>(shown.height)});
    }
  }
  XFillRectangles(display, mask.get(), gc.get(), strokes.data(), static_cast<int>(strokes.size()));
  if (font_) {
    XSetFont(display, gc.get(), font_->fid);
    for (const Label& label : drawing.labels) {
      XDrawString(display, mask.get(), gc.get(), label.place.x - screen.x,
                  label.place.y - screen.y + font_->ascent, label.text.data(),
                  static_cast<int>(label.text.size()));
    }
  }
  XShapeCombineMask(display, window, ShapeBounding, 0, 0, mask.get(), ShapeSet);
  XShapeCombineRectangles(display, window, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
}

// The highest top-level window the pointer is over, as a window manager or the server
// stacks them; override-redirect ones (menus, Quorvex's overlays) are no application's.
std::optional<PickedWindow> X11Desk::WindowAt(PixelPoint point) {
  Display* display = display_.get();
  const Window rootWindow = DefaultRootWindow(display);
  x11::ErrorTrap trap;  // a window may go while it is looked at
  Window root = None, parent = None;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, rootWindow, &root, &parent, &children, &count)) {
    return std::nullopt;
  }
  const std::unique_ptr<Window, int (*)(void*)> freed(children, XFree);
  for (unsigned i = count; i-- > 0;) {
    XWindowAttributes a{};
    if (!XGetWindowAttributes(display, children[i], &a) || a.map_state != IsViewable ||
        a.override_redirect) {
      continue;
    }
    const int outer = 2 * a.border_width;
    if (point.x < a.x || point.y < a.y || point.x >= a.x + a.width + outer ||
        point.y >= a.y + a.height + outer) {
      continue;
    }
    const Window client = x11::ClientOf(display, children[i]).value_or(children[i]);
    int x = 0, y = 0;
    Window child = None;
    if (!XTranslateCoordinates(display, client, rootWindow, 0, 0, &x, &y, &child) ||
        trap.Failed()) {
      return std::nullopt;
    }
    return PickedWindow{x11::TitleOf(display, client), {x, y}};
  }
  return std::nullopt;
}

void X11Desk::ShowUntilEnter(std::string_view titlePart,
                             const std::function<Drawing(PixelPoint)>& plan) {
  Display* display = display_.get();
  int event = 0, error = 0;
  if (!XShapeQueryExtension(display, &event, &error)) {
    throw Failure(failure::kDisplay,
                  "The X display has no SHAPE extension: nothing can be drawn "
                  "over the screen without taking its clicks.");
  }
  const PixelRect screen = Screen();
  x11::UniqueWindow window(display, CreateWindow(screen));
  // Restacks of other windows, to stay above them; maps and moves, to follow one.
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  std::optional<x11::X11FollowedWindow> followed;
  bool moved = false;
  if (!titlePart.empty()) {
    followed.emplace(
        display, [&window](Window w) { return w == window.get(); }, [&moved] { moved = true; });
    followed->Follow(titlePart);
  }
  const auto draw = [&] {
    const std::optional<PixelPoint> origin =
        followed ? Pixels(followed->ClientOrigin()) : PixelPoint{};
    Draw(window.get(), screen, origin ? plan(*origin) : Drawing{});
  };
  draw();
  XMapRaised(display, window.get());

  using Clock = std::chrono::steady_clock;
  auto lastRaise = Clock::now();
  bool raiseDue = false;
  for (;;) {
    while (XPending(display) > 0) {
      XEvent e;
      XNextEvent(display, &e);
      if (followed) {
        followed->Take(e);
      }
      // Seen through the root: `window` is the one restacked or mapped.
      const Window changed = e.type == ConfigureNotify ? e.xconfigure.window
                             : e.type == MapNotify     ? e.xmap.window
                                                       : None;
      raiseDue = raiseDue || (changed != None && changed != window.get());
    }
    if (moved) {
      moved = false;
      draw();
    }
    int timeout = -1;
    if (raiseDue) {
      const auto waited = Clock::now() - lastRaise;
      if (waited >= kRaiseInterval) {
        XRaiseWindow(display, window.get());
        lastRaise = Clock::now();
        raiseDue = false;
      } else {
        timeout = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(kRaiseInterval - waited).count() +
            1);
      }
    }
    XFlush(display);
    std::array<pollfd, 2> fds{pollfd{STDIN_FILENO, POLLIN, 0},
                              pollfd{ConnectionNumber(display), POLLIN, 0}};
    if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
      throw std::runtime_error(std::string("cannot wait for input: ") + std::strerror(errno));
    }
    if (fds[0].revents != 0 && EnterPressed()) {
      return;
    }
  }
}

}  // namespace

std::unique_ptr<Desk> OpenDesk() {
  return std::make_unique<X11Desk>();
}

void MakeOutputExact() {}

}  // namespace quorvex::align
