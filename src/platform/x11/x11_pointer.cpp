#include "platform/x11/x11_pointer.h"

#include <X11/Xlib-xcb.h>
#include <X11/extensions/XTest.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <utility>

namespace quorvex::x11 {
namespace {

constexpr unsigned kButtons = Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask;

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeReply>;

// XTEST presses physical buttons, which the pointer mapping then turns into the
// ones applications see (3 2 1 for a left-handed mouse).
unsigned PrimaryButton(xcb_get_pointer_mapping_reply_t* mapping) {
  const uint8_t* map = xcb_get_pointer_mapping_map(mapping);
  for (int physical = 0; physical < xcb_get_pointer_mapping_map_length(mapping); ++physical) {
    if (map[physical] == Button1) {
      return static_cast<unsigned>(physical) + 1;
    }
  }
  return Button1;
}

}  // namespace

// With the server grabbed, the pointer is checked, its place, the button mapping and
// the top-level window at the point read, and the click made before any other
// client's request: no one else's motion, press, grab, mapping change or restack
// comes between them. The questions go out together, one round trip, through the
// connection's XCB side, as Xlib would wait for each answer in turn.
//
// A button held means a press on its way (a window manager's click-to-focus grab
// holds the pointer frozen until it hands that press on) or the operator's drag; a
// grab of our own on the root fails while another client holds the pointer, which
// would take the press. Either way nothing is pressed now and the caller tries again.
// The place stays unsaved when the pointer is on another screen: it is not brought
// back from there.
Press X11Pointer::Click(Point at, bool onlyFollowed) {
  xcb_connection_t* connection = XGetXCBConnection(display_);
  const xcb_window_t root = DefaultRootWindow(display_);
  const Window followed = onlyFollowed ? followed_.Frame() : None;
  XGrabServer(display_);
  const auto pointerAsked = xcb_query_pointer(connection, root);
  const auto grabAsked =
      xcb_grab_pointer(connection, 0, root, 0, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE,
                       XCB_NONE, XCB_CURRENT_TIME);
  const auto mappingAsked = xcb_get_pointer_mapping(connection);
  const auto topAsked = xcb_translate_coordinates(
      connection, root, root, static_cast<int16_t>(at.x), static_cast<int16_t>(at.y));
  const Reply<xcb_query_pointer_reply_t> pointer{
      xcb_query_pointer_reply(connection, pointerAsked, nullptr)};
  const Reply<xcb_grab_pointer_reply_t> grab{
      xcb_grab_pointer_reply(connection, grabAsked, nullptr)};
  const Reply<xcb_get_pointer_mapping_reply_t> mapping{
      xcb_get_pointer_mapping_reply(connection, mappingAsked, nullptr)};
  const Reply<xcb_translate_coordinates_reply_t> top{
      xcb_translate_coordinates_reply(connection, topAsked, nullptr)};
  const bool grabbed = grab && grab->status == XCB_GRAB_STATUS_SUCCESS;
  if (grabbed) {
    XUngrabPointer(display_, CurrentTime);
  }
  const Window there = top ? top->child : None;
  const bool covered = followed != None && there != followed && !followed_.Ours(there);
  if (!grabbed || !pointer || (pointer->mask & kButtons) != 0 || !mapping || covered) {
    XUngrabServer(display_);
    XFlush(display_);
    if (!covered) {
      return {.result = Press::Result::kBusy, .detail = {}};
    }
    const std::optional<Window> client = there == None ? std::nullopt : ClientOf(display_, there);
    return {.result = Press::Result::kCovered,
            .detail = client ? TitleOf(display_, *client) : std::string()};
  }
  const unsigned primary = PrimaryButton(mapping.get());
  XTestFakeMotionEvent(display_, -1, at.x, at.y, CurrentTime);
  XTestFakeButtonEvent(display_, primary, True, CurrentTime);
  XTestFakeButtonEvent(display_, primary, False, CurrentTime);
  XUngrabServer(display_);
  XFlush(display_);
  saved_.reset();
  if (pointer->same_screen) {
    saved_ = Point{pointer->root_x, pointer->root_y};
  }
  return {};
}

// The press was taken at once, under the server grab; a window manager that holds the
// pointer frozen at it leaves the release queued, and the button down, until it hands
// the press on.
bool X11Pointer::Landed() {
  Window root = None;
  Window child = None;
  int rootX = 0;
  int rootY = 0;
  int x = 0;
  int y = 0;
  unsigned mask = 0;
  XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY, &x, &y,
                &mask);
  return (mask & kButtons) == 0;
}

void X11Pointer::Return() {
  if (const std::optional<Point> back = std::exchange(saved_, std::nullopt)) {
    XTestFakeMotionEvent(display_, -1, back->x, back->y, CurrentTime);
    XFlush(display_);
  }
}

}  // namespace quorvex::x11
