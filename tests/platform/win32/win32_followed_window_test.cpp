#include "platform/win32/win32_followed_window.h"

#include <gtest/gtest.h>

#include <optional>

namespace quorvex::win32 {
namespace {

// Whether `event` is hooked, and then whether from the followed window's process alone.
std::optional<bool> Hooked(bool found, DWORD event) {
  for (const EventRange& range : FollowEvents(found)) {
    if (range.first <= event && event <= range.last) {
      return range.fromFollowed;
    }
  }
  return std::nullopt;
}

// Every move of a mouse or caret on the desktop is a location change: while nothing is
// found none is heard, and once the window is, only its own process's.
TEST(FollowEvents, MovesElsewhereWakeNoOne) {
  EXPECT_EQ(Hooked(false, EVENT_OBJECT_LOCATIONCHANGE), std::nullopt);
  EXPECT_EQ(Hooked(true, EVENT_OBJECT_LOCATIONCHANGE), true);
  for (const DWORD event : {EVENT_OBJECT_SHOW, EVENT_OBJECT_CREATE, EVENT_OBJECT_NAMECHANGE,
                            EVENT_SYSTEM_MINIMIZEEND, EVENT_OBJECT_UNCLOAKED}) {
    EXPECT_EQ(Hooked(false, event), false) << "what brings a window into view, from anyone";
  }
  for (const DWORD event : {EVENT_OBJECT_DESTROY, EVENT_OBJECT_HIDE, EVENT_SYSTEM_MINIMIZESTART}) {
    EXPECT_EQ(Hooked(true, event), true) << "what takes the window away, from its process";
  }
  EXPECT_EQ(Hooked(true, EVENT_OBJECT_CLOAKED), false) << "the shell cloaks it";
  EXPECT_EQ(Hooked(true, EVENT_OBJECT_FOCUS), std::nullopt);
}

}  // namespace
}  // namespace quorvex::win32
