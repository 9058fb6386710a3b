// Real windows of this process restacked by Win32Stacking, the order read back from
// the system: what SetWindowPos makes of each placing, bands included.
#include "platform/win32/win32_stacking.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace quorvex::win32 {
namespace {

constexpr DWORD kOverlayStyle = WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;

class Desk : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA description{};
    description.lpfnWndProc = ::DefWindowProcA;
    description.hInstance = ::GetModuleHandleA(nullptr);
    description.lpszClassName = "QuorvexStackingTest";
    ::RegisterClassA(&description);
    timers_ = Make(0, WS_POPUP, {0, 0, 1, 1}, nullptr, false);
  }

  // Out of the way, not hidden: Wine waits seconds for each window it unmaps, and the
  // process's end takes them all at once.
  void TearDown() override {
    for (const HWND window : made_) {
      ::SetWindowPos(window, nullptr, 0, 0, 1, 1, SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }

  HWND Make(DWORD exStyle, DWORD style, RECT at, HWND owner = nullptr, bool shown = true) {
    const HWND window =
        ::CreateWindowExA(exStyle, "QuorvexStackingTest", "", style | (shown ? WS_VISIBLE : 0),
                          at.left, at.top, at.right - at.left, at.bottom - at.top, owner, nullptr,
                          ::GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(window, nullptr);
    made_.push_back(window);
    return window;
  }

  HWND Application(bool topmost = false) {
    return Make(topmost ? WS_EX_TOPMOST : 0, WS_POPUP | WS_CAPTION, {100, 100, 500, 400});
  }

  std::array<HWND, 2> Overlays() {
    return {Make(kOverlayStyle | WS_EX_TOPMOST, WS_POPUP, {150, 150, 250, 200}),
            Make(kOverlayStyle | WS_EX_TOPMOST, WS_POPUP, {300, 150, 400, 200})};
  }

  // This process's windows from the top down.
  std::vector<HWND> Order() const {
    std::vector<HWND> order;
    ::EnumWindows(
        [](HWND window, LPARAM list) -> BOOL {
          reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&order));
    std::erase_if(order,
                  [this](HWND window) { return std::ranges::find(made_, window) == made_.end(); });
    return order;
  }

  std::size_t Place(HWND window) const {
    const auto order = Order();
    return static_cast<std::size_t>(std::ranges::find(order, window) - order.begin());
  }

  // Both overlays, in either order, directly above `window`: nothing shown between.
  void ExpectDirectlyAbove(const std::array<HWND, 2>& overlays, HWND window) const {
    const auto order = Order();
    const std::size_t at = Place(window);
    ASSERT_GE(at, 2u);
    EXPECT_TRUE((order[at - 1] == overlays[0] && order[at - 2] == overlays[1]) ||
                (order[at - 1] == overlays[1] && order[at - 2] == overlays[0]));
  }

  static bool Topmost(HWND window) {
    return (::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  }

  HWND timers_ = nullptr;
  // Not the program's own: its windows would be left alone as its message box is.
  static constexpr StackingDesktop kElsewhere{.crossProcessEvents = true, .self = 0};

 private:
  std::vector<HWND> made_;
};

TEST_F(Desk, FollowingLiesDirectlyAboveTheWindowInItsBandAndComesWithIt) {
  const HWND application = Application();
  const HWND viewer = Make(0, WS_POPUP | WS_CAPTION, {120, 120, 420, 320});
  const auto overlays = Overlays();
  Win32Stacking stacking(overlays, timers_, 7, kElsewhere);
  HWND followed = application;
  stacking.Follow([&followed] { return followed; });
  stacking.Restack();
  EXPECT_LT(Place(viewer), Place(overlays[0]));
  ExpectDirectlyAbove(overlays, application);
  EXPECT_FALSE(Topmost(overlays[0]) || Topmost(overlays[1]));

  ::SetWindowPos(application, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  stacking.Restack();
  ExpectDirectlyAbove(overlays, application);
  EXPECT_LT(Place(overlays[0]), Place(viewer));

  ::SetWindowPos(application, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  stacking.Restack();
  ExpectDirectlyAbove(overlays, application);
  EXPECT_TRUE(Topmost(overlays[0]) && Topmost(overlays[1]));

  ::SetWindowPos(application, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ::SetWindowPos(viewer, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  stacking.Restack();
  ExpectDirectlyAbove(overlays, application);
  EXPECT_FALSE(Topmost(overlays[0]) || Topmost(overlays[1]));
  EXPECT_LT(Place(viewer), Place(overlays[0]));

  followed = nullptr;  // gone: above everything again
  stacking.Restack();
  EXPECT_TRUE(Topmost(overlays[0]) && Topmost(overlays[1]));
  EXPECT_LT(Place(overlays[0]), Place(viewer));
}

TEST_F(Desk, WithoutOtherProcessesEventsTheOverlaysStayAboveEveryWindow) {
  const HWND application = Application();
  const auto overlays = Overlays();
  Win32Stacking stacking(overlays, timers_, 7, {.crossProcessEvents = false, .self = 0});
  stacking.Follow([application] { return application; });
  stacking.Restack();
  EXPECT_EQ(stacking.StackedWith(), nullptr);
  EXPECT_TRUE(Topmost(overlays[0]) && Topmost(overlays[1]));
}

TEST_F(Desk, AboveAPanelThatCoversThemButBeneathThePopUpOverIt) {
  const auto overlays = Overlays();
  const HWND panel = Make(WS_EX_TOPMOST, WS_POPUP, {100, 100, 500, 400});
  Win32Stacking stacking(overlays, timers_, 7, kElsewhere);
  ASSERT_LT(Place(panel), Place(overlays[0]));
  stacking.Restack();
  EXPECT_LT(Place(overlays[0]), Place(panel));
  EXPECT_LT(Place(overlays[1]), Place(panel));

  const HWND menu = Make(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, WS_POPUP, {140, 140, 260, 260}, panel);
  ::SetWindowPos(panel, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ::SetWindowPos(menu, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ASSERT_LT(Place(menu), Place(panel));
  ASSERT_LT(Place(panel), Place(overlays[0]));
  stacking.Restack();
  EXPECT_LT(Place(menu), Place(overlays[0]));
  EXPECT_LT(Place(overlays[0]), Place(panel));
  EXPECT_LT(Place(overlays[1]), Place(panel));
}

}  // namespace
}  // namespace quorvex::win32
