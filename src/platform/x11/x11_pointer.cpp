#include "platform/x11/x11_pointer.h"

#include <X11/Xlib-xcb.h>
#include <X11/extensions/XTest.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <optional>

namespace quorvex::x11 {
namespace {

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

// With the server grabbed, the pointer is checked, its place and the button mapping
// read, and the click made before any other client's request: no one else's motion,
// press, grab or mapping change comes between them. The three questions go out
// together, one round trip, through the connection's XCB side, as Xlib would wait
// for each answer in turn.
//
// A button held means a press on its way (a window manager's click-to-focus grab
// holds the pointer frozen until it hands that press on) or the operator's drag; a
// grab of our own on the root fails while another client holds the pointer, which
// would take the press. Either way nothing is pressed now and the caller tries again.
// The way back leaves at once without a round trip, as the controller waits for this
// click, and the loop flushes it. The place stays unsaved when the pointer is on
// another screen: it is not brought back from there.
bool X11Pointer::Click(Point at) {
  constexpr unsigned kButtons = Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask;
  xcb_connection_t* connection = XGetXCBConnection(display_);
  const xcb_window_t root = DefaultRootWindow(display_);
  XGrabServer(display_);
  const auto pointerAsked = xcb_query_pointer(connection, root);
  const auto grabAsked =
      xcb_grab_pointer(connection, 0, root, 0, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE,
                       XCB_NONE, XCB_CURRENT_TIME);
  const auto mappingAsked = xcb_get_pointer_mapping(connection);
  const Reply<xcb_query_pointer_reply_t> pointer{
      xcb_query_pointer_reply(connection, pointerAsked, nullptr)};
  const Reply<xcb_grab_pointer_reply_t> grab{
      xcb_grab_pointer_reply(connection, grabAsked, nullptr)};
  const Reply<xcb_get_pointer_mapping_reply_t> mapping{
      xcb_get_pointer_mapping_reply(connection, mappingAsked, nullptr)};
  const bool grabbed = grab && grab->status == XCB_GRAB_STATUS_SUCCESS;
  if (grabbed) {
    XUngrabPointer(display_, CurrentTime);
  }
  if (!grabbed || !pointer || (pointer->mask & kButtons) != 0 || !mapping) {
    XUngrabServer(display_);
    XFlush(display_);
    return false;
  }
  const unsigned primary = PrimaryButton(mapping.get());
  XTestFakeMotionEvent(display_, -1, at.x, at.y, CurrentTime);
  XTestFakeButtonEvent(display_, primary, True, CurrentTime);
  XTestFakeButtonEvent(display_, primary, False, CurrentTime);
  XUngrabServer(display_);
  XFlush(display_);
  if (pointer->same_screen) {
    XTestFakeMotionEvent(display_, -1, pointer->root_x, pointer->root_y, CurrentTime);
  }
  return true;
}

}  // namespace quorvex::x11
