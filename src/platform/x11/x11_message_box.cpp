#include "platform/x11/x11_message_box.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <utility>

#include "platform/toolkit.h"

namespace quorvex::x11 {
namespace {

constexpr int kMargin = 16;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;
constexpr int kMinWidth = 240;
constexpr unsigned kBackground = 0xF0F0F0;
constexpr unsigned kInk = 0x000000;
constexpr std::string_view kOk = "OK";
constexpr std::string_view kLeftOut = "...";
// The box takes up to this share of the screen's width before its lines wrap.
constexpr int kWidthPerEight = 5;

int TextWidth(XFontStruct* font, std::string_view text) {
  return XTextWidth(font, text.data(), static_cast<int>(text.size()));
}

Atom AtomOf(Display* display, const char* name) {
  return XInternAtom(display, name, False);
}

void SetTitle(Display* display, Window window) {
  const std::string title(kApplicationTitle);
  XStoreName(display, window, title.c_str());
  XChangeProperty(display, window, AtomOf(display, "_NET_WM_NAME"), AtomOf(display, "UTF8_STRING"),
                  8, PropModeReplace, reinterpret_cast<const unsigned char*>(title.data()),
                  static_cast<int>(title.size()));
  std::string resName = "message";
  std::string resClass = title;
  XClassHint hint{resName.data(), resClass.data()};
  XSetClassHint(display, window, &hint);
}

// A fixed-size dialog in the middle of the screen that the window manager may close.
void SetManagerHints(Display* display, Window window, int x, int y, int width, int height) {
  XSizeHints size{};
  size.flags = USPosition | PPosition | PMinSize | PMaxSize;
  size.x = x;
  size.y = y;
  size.min_width = size.max_width = width;
  size.min_height = size.max_height = height;
  XSetWMNormalHints(display, window, &size);
  Atom deleteWindow = AtomOf(display, "WM_DELETE_WINDOW");
  XSetWMProtocols(display, window, &deleteWindow, 1);
  const Atom dialog = AtomOf(display, "_NET_WM_WINDOW_TYPE_DIALOG");
  XChangeProperty(display, window, AtomOf(display, "_NET_WM_WINDOW_TYPE"), XA_ATOM, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&dialog), 1);
}

Window CreateBox(Display* display, int width, int height) {
  const int screen = DefaultScreen(display);
  const int x = (DisplayWidth(display, screen) - width) / 2;
  const int y = (DisplayHeight(display, screen) - height) / 2;
  XSetWindowAttributes attributes{};
  attributes.background_pixel = PixelOf(display, kBackground);
  attributes.event_mask =
      ExposureMask | ButtonPressMask | ButtonReleaseMask | KeyPressMask | StructureNotifyMask;
  const Window window =
      XCreateWindow(display, DefaultRootWindow(display), x, y, static_cast<unsigned>(width),
                    static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                    CWBackPixel | CWEventMask, &attributes);
  SetTitle(display, window);
  SetManagerHints(display, window, x, y, width, height);
  return window;
}

// The longest head of `text` no wider than `maxWidth`, at least one character, cut
// after its last blank when it has one.
std::size_t FittingHead(std::string_view text, int maxWidth,
                        const std::function<int(std::string_view)>& widthOf) {
  std::size_t fits = 1;
  while (fits < text.size() && widthOf(text.substr(0, fits + 1)) <= maxWidth) {
    ++fits;
  }
  if (fits == text.size()) {
    return fits;
  }
  const std::size_t blank = text.substr(0, fits + 1).rfind(' ');
  return blank != std::string_view::npos && blank > 0 ? blank : fits;
}

}  // namespace

std::vector<std::string> WrapLines(std::string_view text, int maxWidth, std::size_t maxLines,
                                   const std::function<int(std::string_view)>& widthOf) {
  std::vector<std::string> lines;
  bool leftOut = false;
  for (std::size_t start = 0; start <= text.size() && !leftOut;) {
    const std::size_t newline = std::min(text.find('\n', start), text.size());
    std::string_view rest = text.substr(start, newline - start);
    do {
      if (lines.size() == std::max<std::size_t>(maxLines, 1)) {
        leftOut = true;
        break;
      }
      const std::size_t head = rest.empty() ? 0 : FittingHead(rest, maxWidth, widthOf);
      lines.emplace_back(rest.substr(0, head));
      rest.remove_prefix(head);
      while (rest.starts_with(' ')) {
        rest.remove_prefix(1);
      }
    } while (!rest.empty());
    start = newline + 1;
  }
  if (leftOut) {
    std::string& last = lines.back();
    while (!last.empty() && widthOf(last + std::string(kLeftOut)) > maxWidth) {
      last.pop_back();
    }
    last += kLeftOut;
  }
  return lines;
}

X11MessageBox::X11MessageBox(Display* display, std::string_view text)
    : display_(display),
      font_(XLoadQueryFont(display, "fixed")),
      lines_(Wrap(text)),
      layout_(Measure()),
      window_(display, CreateBox(display, layout_.width, layout_.height)),
      gc_(XCreateGC(display, window_.get(), 0, nullptr)) {
  if (font_) {
    XSetFont(display_, gc_, font_->fid);
  }
  XSetForeground(display_, gc_, PixelOf(display_, kInk));
  XMapRaised(display_, window_.get());
}

X11MessageBox::~X11MessageBox() {
  XFreeGC(display_, gc_);
  if (font_) {
    XFreeFont(display_, font_);
  }
}

// Without the font (a server with no "fixed"), the server's default font is used and
// measured as 6 by 13.
int X11MessageBox::WidthOf(std::string_view text) const {
  return font_ ? TextWidth(font_, text) : 6 * static_cast<int>(text.size());
}

int X11MessageBox::LineHeight() const {
  return font_ ? font_->ascent + font_->descent + 2 : 15;
}

// Never wider nor taller than the screen, whatever the text.
std::vector<std::string> X11MessageBox::Wrap(std::string_view text) const {
  const int screen = DefaultScreen(display_);
  const int maxWidth =
      std::max(kMinWidth, DisplayWidth(display_, screen) * kWidthPerEight / 8) - 2 * kMargin;
  const int room = DisplayHeight(display_, screen) - 3 * kMargin - kButtonHeight;
  const auto maxLines = static_cast<std::size_t>(std::max(1, room / LineHeight()));
  return WrapLines(text, maxWidth, maxLines, [this](std::string_view t) { return WidthOf(t); });
}

X11MessageBox::Layout X11MessageBox::Measure() const {
  const int lineHeight = LineHeight();
  int textWidth = 0;
  for (const std::string& line : lines_) {
    textWidth = std::max(textWidth, WidthOf(line));
  }
  const int width = std::max(kMinWidth, textWidth + 2 * kMargin);
  const int height =
      kMargin + static_cast<int>(lines_.size()) * lineHeight + kMargin + kButtonHeight + kMargin;
  return {.width = width,
          .height = height,
          .lineHeight = lineHeight,
          .buttonX = (width - kButtonWidth) / 2,
          .buttonY = height - kMargin - kButtonHeight};
}

void X11MessageBox::Draw() {
  const int ascent = font_ ? font_->ascent : 11;
  int y = kMargin + ascent;
  for (const std::string& line : lines_) {
    XDrawString(display_, window_.get(), gc_, kMargin, y, line.data(),
                static_cast<int>(line.size()));
    y += layout_.lineHeight;
  }
  XDrawRectangle(display_, window_.get(), gc_, layout_.buttonX, layout_.buttonY, kButtonWidth - 1,
                 kButtonHeight - 1);
  const int okWidth = font_ ? TextWidth(font_, kOk) : 12;
  XDrawString(display_, window_.get(), gc_, layout_.buttonX + (kButtonWidth - okWidth) / 2,
              layout_.buttonY + (kButtonHeight + ascent) / 2 - 1, kOk.data(),
              static_cast<int>(kOk.size()));
}

bool X11MessageBox::OverButton(int x, int y) const {
  return x >= layout_.buttonX && x < layout_.buttonX + kButtonWidth && y >= layout_.buttonY &&
         y < layout_.buttonY + kButtonHeight;
}

// Above the overlays, which would otherwise catch the click meant for OK; the
// top-level ancestor is the window manager's frame when there is one.
void X11MessageBox::BringForward() {
  Window window = window_.get();
  for (;;) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display_, window, &root, &parent, &children, &count)) {
      break;
    }
    if (children) {
      XFree(children);
    }
    if (parent == root || parent == 0) {
      break;
    }
    window = parent;
  }
  XRaiseWindow(display_, window);
  XSetInputFocus(display_, window_.get(), RevertToPointerRoot, CurrentTime);
}

void X11MessageBox::Handle(XEvent& event) {
  switch (event.type) {
    case Expose:
      if (event.xexpose.count == 0) {
        Draw();
      }
      break;
    case MapNotify:
      BringForward();
      break;
    case ButtonPress:
      pressed_ = event.xbutton.button == Button1 && OverButton(event.xbutton.x, event.xbutton.y);
      break;
    case ButtonRelease:
      dismissed_ =
          dismissed_ || (std::exchange(pressed_, false) && event.xbutton.button == Button1 &&
                         OverButton(event.xbutton.x, event.xbutton.y));
      break;
    case KeyPress: {
      const KeySym key = XLookupKeysym(&event.xkey, 0);
      dismissed_ = dismissed_ || key == XK_Return || key == XK_KP_Enter || key == XK_Escape ||
                   key == XK_space;
      break;
    }
    case ClientMessage:
      dismissed_ = dismissed_ || static_cast<Atom>(event.xclient.data.l[0]) ==
                                     AtomOf(display_, "WM_DELETE_WINDOW");
      break;
    default:
      break;
  }
}

}  // namespace quorvex::x11
