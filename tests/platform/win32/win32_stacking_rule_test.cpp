#include "platform/win32/win32_stacking_rule.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace quorvex::win32 {
namespace {

constexpr ScreenBox kButton{100, 100, 200, 160};
constexpr ScreenBox kElsewhere{500, 500, 600, 600};

StackedWindow Window(std::string className, bool topmost = true, ScreenBox box = kButton) {
  return {.className = std::move(className), .shown = true, .topmost = topmost, .box = box};
}

StackedWindow Overlay(bool topmost = true) {
  StackedWindow overlay = Window("Quorvex.frmMain", topmost);
  overlay.overlay = true;
  return overlay;
}

StackedWindow Owned(bool topmost = true) {
  StackedWindow popUp = Window("Qt5QWindowPopup", topmost);
  popUp.owned = true;
  return popUp;
}

std::optional<Placing> Topmost(const std::vector<StackedWindow>& z, std::size_t overlay) {
  return Restack(z, overlay, std::nullopt);
}

constexpr Placing Top(bool topmost = true) {
  return {topmost, std::nullopt};
}

constexpr Placing Beneath(std::size_t i, bool topmost = true) {
  return {topmost, i};
}

TEST(StackingRule, PopUpsAndOwnWindowsAreLeftAboveWhatCoversIsRaisedOver) {
  for (const char* popUp :
       {"#32768", "ComboLBox", "tooltips_class32", "TOOLTIPS_CLASS32", "SysShadow"}) {
    EXPECT_EQ(Judge(Window(popUp), kButton), Above::kLeftAbove) << popUp;
  }
  EXPECT_EQ(Judge(Owned(), kButton), Above::kLeftAbove);
  StackedWindow box = Window("#32770");
  box.ownProcess = true;
  EXPECT_EQ(Judge(box, kButton), Above::kLeftAbove);
  EXPECT_EQ(Judge(Window("#32770"), kButton), Above::kRaisedOver);  // another's dialog
  EXPECT_EQ(Judge(Window("OperatorPanel"), kButton), Above::kRaisedOver);

  StackedWindow hidden = Window("OperatorPanel");
  hidden.shown = false;
  EXPECT_EQ(Judge(hidden, kButton), Above::kIgnored);
  EXPECT_EQ(Judge(Window("OperatorPanel", true, kElsewhere), kButton), Above::kIgnored);
  EXPECT_EQ(Judge(Window("OperatorPanel", true, {200, 100, 300, 160}), kButton), Above::kIgnored)
      << "edges touching";
  EXPECT_EQ(Judge(Overlay(), kButton), Above::kIgnored) << "another Quorvex";
}

TEST(StackingRule, AboveEveryWindowGoesDirectlyAboveTheHighestThatCovers) {
  EXPECT_EQ(Topmost({Window("Panel"), Overlay()}, 1), Top());
  EXPECT_EQ(Topmost({Window("Panel", true, kElsewhere), Window("Panel"), Overlay()}, 2),
            Beneath(0));
  EXPECT_EQ(Topmost({Window("Panel"), Window("Other"), Overlay()}, 2), Top());
  EXPECT_EQ(Topmost({Overlay(), Window("Panel")}, 0), std::nullopt);
  EXPECT_EQ(Topmost({Window("Panel", true, kElsewhere), Overlay()}, 1), std::nullopt);
  EXPECT_EQ(Topmost({Overlay(), Overlay()}, 1), std::nullopt) << "two Quorvex leave each other";
}

TEST(StackingRule, ARaiseNeverCoversAPopUp) {
  // A menu over the panel that covers the overlay: beneath the menu, above the panel.
  EXPECT_EQ(Topmost({Window("#32768"), Window("Panel"), Overlay()}, 2), Beneath(0));
  EXPECT_EQ(Topmost({Window("ComboLBox"), Owned(), Window("Panel"), Overlay()}, 3), Beneath(1));
  // A window over a pop-up over the overlay stays: reaching it would cover the pop-up.
  EXPECT_EQ(Topmost({Window("Panel"), Window("tooltips_class32"), Overlay()}, 2), std::nullopt);
  EXPECT_EQ(Topmost({Window("Panel"), Owned(), Window("Other"), Overlay()}, 3), Beneath(1));
}

TEST(StackingRule, AboveEveryWindowMeansTheTopmostBand) {
  // Out of the band (it followed a window before), also when nothing covers it.
  EXPECT_EQ(Topmost({Overlay(false)}, 0), Top());
  EXPECT_EQ(
      Topmost({Window("Panel", true, kElsewhere), Window("Normal", false), Overlay(false)}, 2),
      Beneath(0));
  EXPECT_EQ(Topmost({Window("#32768"), Window("Normal", false), Overlay(false)}, 2), Beneath(0));
  EXPECT_EQ(Topmost({Window("Normal", false), Overlay(false)}, 1), Top());
  // Hidden, it is placed all the same, so as to come up on top.
  StackedWindow hidden = Overlay(false);
  hidden.shown = false;
  EXPECT_EQ(Topmost({hidden}, 0), Top());
  hidden.topmost = true;
  EXPECT_EQ(Topmost({Window("Panel"), hidden}, 1), Top());
}

std::optional<Placing> Following(const std::vector<StackedWindow>& z, std::size_t overlay,
                                 std::size_t followed) {
  return Restack(z, overlay, followed);
}

TEST(StackingRule, FollowingLiesDirectlyAboveTheWindowWithWhatIsAboveItLeftThere) {
  const StackedWindow app = Window("App", false);
  EXPECT_EQ(Following({Window("Viewer", false), Overlay(false), app}, 1, 2), std::nullopt);
  EXPECT_EQ(Following({Window("Panel"), Window("Viewer", false), Overlay(false), app}, 2, 3),
            std::nullopt);
  EXPECT_EQ(Following({Overlay(false), Overlay(false), app}, 0, 2), std::nullopt);
  StackedWindow hidden = Window("Hidden", false);
  hidden.shown = false;
  EXPECT_EQ(Following({Overlay(false), hidden, Overlay(false), app}, 0, 3), std::nullopt);
  // Another window, or one of the application's pop-ups, between: it goes under them.
  EXPECT_EQ(Following({Overlay(false), Window("Viewer", false), app}, 0, 2), Beneath(1, false));
  EXPECT_EQ(Following({Overlay(false), Window("Viewer", false, kElsewhere), app}, 0, 2),
            Beneath(1, false))
      << "not over it now, but the application may move under it";
  EXPECT_EQ(Following({Overlay(false), Owned(false), app}, 0, 2), Beneath(1, false));
  EXPECT_EQ(Following({Window("Viewer", false), Overlay(false), Overlay(false), app}, 1, 3),
            std::nullopt);
}

TEST(StackingRule, FollowingComesWithTheWindowRaisedAndTakesItsBand) {
  const StackedWindow app = Window("App", false);
  const StackedWindow panel = Window("App", true);
  // Raised over the overlays (activated, clicked).
  EXPECT_EQ(Following({Window("Viewer", false), app, Overlay(false)}, 2, 1), Beneath(0, false));
  EXPECT_EQ(Following({app, Overlay(false)}, 1, 0), Top(false));
  // Right under the topmost band: at the top of its own.
  EXPECT_EQ(Following({Window("Taskbar"), app, Overlay(false)}, 2, 1), Top(false));
  // Topmost from following nothing, or from a window that was.
  EXPECT_EQ(Following({Window("Taskbar"), Overlay(true), app}, 1, 2), Top(false));
  EXPECT_EQ(Following({Overlay(true), Window("Viewer", false), app}, 0, 2), Beneath(1, false));
  // The window topmost itself: so are they, directly above it.
  EXPECT_EQ(Following({Window("Taskbar"), panel, Overlay(false)}, 2, 1), Beneath(0, true));
  EXPECT_EQ(Following({panel, Overlay(false)}, 1, 0), Top(true));
  EXPECT_EQ(Following({Window("Taskbar"), Overlay(true), panel}, 1, 2), std::nullopt);
  // The other overlay directly above the window already: directly above that one.
  EXPECT_EQ(Following({Window("Viewer", false), Overlay(false), app, Overlay(false)}, 3, 2),
            Beneath(1, false));
}

}  // namespace
}  // namespace quorvex::win32
