#include "commands/clicks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <tuple>

#include "rig.h"

namespace quorvex {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ClicksTest : public ::testing::Test {
 protected:
  ClicksTest() {
    SettingsRecord& s = rig.program.Settings;
    std::tie(s.PL, s.PT, s.FW, s.FH, s.PL2, s.PT2, s.FW2, s.FH2) =
        std::tuple(900, 1500, 1200, 450, 950, 3000, 1300, 460);
    std::tie(s.STRX, s.STRY, s.STPX, s.STPY, s.STRX2, s.STRY2) =
        std::tuple(100, 110, 200, 210, 300, 310);
    rig.host.MSComm1.open = true;
  }
  // Both overlays where the settings put them, shown, as after start-up.
  void Placed() {
    const SettingsRecord& s = rig.program.Settings;
    rig.host.frmMain.place = {s.PL, s.PT, s.FW, s.FH};
    rig.host.frmTwo.place = {s.PL2, s.PT2, s.FW2, s.FH2};
    rig.program.placement.Show(rig.host.frmMain, true);
    rig.program.placement.Show(rig.host.frmTwo, true);
  }
  std::size_t Mark() const { return rig.host.log.size(); }

  testing::Rig rig;
};

TEST_F(ClicksTest, StartStepsFrmMainAsideClicksAndRestoresOnTheTick) {
  const std::size_t mark = Mark();
  rig.host.Receive("10");
  EXPECT_THAT(rig.LogFrom(mark), ElementsAre("MSComm1.TakeInput", "frmMain.Place(900,0,1200,450)",
                                             "Click(100,110)", "Timer1.Enabled(1)", "Return"));
  EXPECT_EQ(rig.host.pointer.cursor, (Point{500, 400}));
  const std::size_t tick = Mark();
  EXPECT_TRUE(rig.host.Tick(rig.host.Timer1));
  EXPECT_THAT(rig.LogFrom(tick),
              ElementsAre("frmMain.Place(900,1500,1200,450)", "Timer1.Enabled(0)"));
  EXPECT_FALSE(rig.host.Tick(rig.host.Timer1)) << "one-shot";
}

TEST_F(ClicksTest, Start2StepsFrmTwoAsideWithTimer2AndStopMovesNothing) {
  std::size_t mark = Mark();
  rig.host.Receive("30");
  EXPECT_THAT(rig.LogFrom(mark), ElementsAre("MSComm1.TakeInput", "frmTwo.Place(950,0,1300,460)",
                                             "Click(300,310)", "Timer2.Enabled(1)", "Return"));
  EXPECT_FALSE(rig.host.Timer1.Enabled());
  EXPECT_TRUE(rig.host.Tick(rig.host.Timer2));
  EXPECT_EQ(rig.host.frmTwo.place, (TwipsRect{950, 3000, 1300, 460}));
  mark = Mark();
  rig.host.Receive("20");
  EXPECT_THAT(rig.LogFrom(mark), ElementsAre("MSComm1.TakeInput", "Click(200,210)", "Return"));
}

// A window manager holds the release back: the cursor stays at the point, the
// overlay aside and the next code's click behind, until it is taken; nothing is
// reported lost.
TEST_F(ClicksTest, NothingGoesBackBeforeTheReleaseIsTaken) {
  Placed();
  rig.host.pointer.takesRelease = false;
  rig.host.Receive("10");
  rig.host.Receive("20");
  for (int tick = 0; tick < 50; ++tick) {
    rig.host.toolkit.now += std::chrono::milliseconds(10);
    rig.host.Tick(rig.host.Timer1);
    EXPECT_TRUE(rig.host.Tick(rig.host.Timer3));
  }
  EXPECT_EQ(rig.host.frmMain.place.top, 0);
  EXPECT_EQ(rig.host.pointer.cursor, (Point{100, 110}));
  EXPECT_THAT(rig.host.pointer.clicks, ElementsAre(Point{100, 110}));
  rig.host.pointer.takesRelease = true;
  const std::size_t mark = Mark();
  EXPECT_TRUE(rig.host.Tick(rig.host.Timer3));
  EXPECT_THAT(rig.LogFrom(mark), ElementsAre("Return", "Timer1.Enabled(1)", "Click(200,210)",
                                             "Return", "Timer3.Enabled(0)"));
  EXPECT_EQ(rig.host.frmMain.place.top, 0) << "back no sooner than its own tick";
  EXPECT_TRUE(rig.host.Tick(rig.host.Timer1));
  EXPECT_EQ(rig.host.frmMain.place.top, 1500);
  EXPECT_EQ(rig.host.pointer.cursor, (Point{500, 400}));
  EXPECT_THAT(rig.host.toolkit.notices, IsEmpty());
}

// A release never taken: a second after the press the click is reported not made,
// and the cursor and the overlay go back all the same.
TEST_F(ClicksTest, AReleaseNotTakenInASecondIsReportedAndEverythingGoesBack) {
  Placed();
  rig.host.pointer.takesRelease = false;
  rig.host.Receive("30");
  rig.host.toolkit.now += std::chrono::milliseconds(999);
  rig.host.Tick(rig.host.Timer2);
  rig.host.Tick(rig.host.Timer3);
  EXPECT_EQ(rig.host.frmTwo.place.top, 0);
  EXPECT_THAT(rig.host.toolkit.notices, IsEmpty());
  rig.host.toolkit.now += std::chrono::milliseconds(1);
  rig.host.Tick(rig.host.Timer3);
  EXPECT_EQ(rig.host.pointer.cursor, (Point{500, 400}));
  ASSERT_EQ(rig.host.toolkit.notices.size(), 1u);
  EXPECT_THAT(rig.host.toolkit.notices[0], ::testing::HasSubstr("release"));
  EXPECT_TRUE(rig.host.Tick(rig.host.Timer2));
  EXPECT_EQ(rig.host.frmTwo.place.top, 3000);
  EXPECT_FALSE(rig.host.Timer3.Enabled());
}

// A click that waited for the pointer gets its release's second from the press, not
// from its first try.
TEST_F(ClicksTest, TheReleasesSecondRunsFromThePress) {
  Placed();
  rig.host.pointer.busy = true;
  rig.host.Receive("20");
  rig.host.toolkit.now += std::chrono::milliseconds(900);
  rig.host.pointer.busy = false;
  rig.host.pointer.takesRelease = false;
  rig.host.Tick(rig.host.Timer3);
  ASSERT_THAT(rig.host.pointer.clicks, ElementsAre(Point{200, 210}));
  rig.host.toolkit.now += std::chrono::milliseconds(999);
  rig.host.Tick(rig.host.Timer3);
  EXPECT_EQ(rig.host.pointer.cursor, (Point{200, 210}));
  EXPECT_THAT(rig.host.toolkit.notices, IsEmpty());
  rig.host.toolkit.now += std::chrono::milliseconds(1);
  rig.host.Tick(rig.host.Timer3);
  EXPECT_EQ(rig.host.pointer.cursor, (Point{500, 400}));
  EXPECT_THAT(rig.host.toolkit.notices, ElementsAre(::testing::HasSubstr("release")));
}

// A failure while the release is awaited: the cursor and the overlay still go back, and
// nothing more is pressed.
TEST_F(ClicksTest, AFailureWhileTheReleaseIsAwaitedPutsTheCursorAndOverlayBack) {
  Placed();
  rig.host.pointer.takesRelease = false;
  rig.host.Receive("10");
  rig.host.Receive("20");
  rig.host.MSComm1.lineGone = true;
  bool restored = false;
  rig.host.whileMessageBoxOpen.push_back([this, &restored] {
    EXPECT_EQ(rig.host.pointer.cursor, (Point{500, 400}));
    rig.host.pointer.takesRelease = true;
    EXPECT_FALSE(rig.host.Tick(rig.host.Timer3));
    restored = rig.host.Tick(rig.host.Timer1);
  });
  rig.host.Click(rig.host.frmTwo);
  EXPECT_TRUE(restored);
  EXPECT_EQ(rig.host.frmMain.place.top, 1500);
  EXPECT_THAT(rig.host.pointer.clicks, ElementsAre(Point{100, 110}));
}

TEST_F(ClicksTest, TwoStartsWithinOneIntervalClickTwiceAndRestoreOnce) {
  rig.host.Receive("10");
  rig.host.Receive("10");
  EXPECT_THAT(rig.host.pointer.clicks, ElementsAre(Point{100, 110}, Point{100, 110}));
  EXPECT_TRUE(rig.host.Tick(rig.host.Timer1));
  EXPECT_FALSE(rig.host.Tick(rig.host.Timer1));
  EXPECT_EQ(rig.host.frmMain.place.top, 1500);
}

TEST_F(ClicksTest, HiddenFrmMainStillStepsAsideAndBackAndStaysHidden) {
  Placed();
  rig.host.Receive("50");
  rig.host.Receive("10");
  rig.host.Tick(rig.host.Timer1);
  EXPECT_THAT(rig.host.pointer.clicks, ElementsAre(Point{100, 110}));
  EXPECT_EQ(rig.host.frmMain.place.top, 1500);
  EXPECT_FALSE(rig.host.frmMain.shown || rig.host.frmTwo.shown);
}

TEST_F(ClicksTest, ShowAndHideAlwaysTouchBothInOrder) {
  std::size_t mark = Mark();
  rig.host.Receive("40");
  EXPECT_THAT(rig.LogFrom(mark),
              ElementsAre("MSComm1.TakeInput", "frmMain.Show(1)", "frmTwo.Show(1)"));
  mark = Mark();
  rig.host.Receive("50");
  EXPECT_THAT(rig.LogFrom(mark),
              ElementsAre("MSComm1.TakeInput", "frmMain.Show(0)", "frmTwo.Show(0)"));
}

TEST_F(ClicksTest, NegativePointsStayNegative) {
  rig.program.Settings.STPX = -1920;
  rig.program.Settings.STPY = -32768;
  rig.host.Receive("20");
  EXPECT_THAT(rig.host.pointer.clicks, ElementsAre(Point{-1920, -32768}));
}

// A button within an overlay's height of the top edge: at Top 0 the overlay would
// still lie over the point, take the click and send its own code.
TEST_F(ClicksTest, OverlayGoesAboveTheEdgeOnlyWhenTopZeroWouldStillCoverThePoint) {
  SettingsRecord& s = rig.program.Settings;
  // 80 x 80 pixels at (60, 10), and frmTwo beside it at (200, 10).
  std::tie(s.PL, s.PT, s.FW, s.FH) = std::tuple(900, 150, 1200, 1200);
  std::tie(s.PL2, s.PT2, s.FW2, s.FH2) = std::tuple(3000, 150, 1200, 1200);
  Placed();
  const struct {
    std::string_view code;
    Point point;
    int asideTop;
  } cases[] = {
      {"10", {100, 50}, -1200}, {"10", {60, 0}, -1200},   {"10", {139, 79}, -1200},
      {"10", {100, 80}, 0},     {"10", {140, 50}, 0},     {"10", {59, 50}, 0},
      {"30", {250, 50}, -1200}, {"30", {200, 79}, -1200}, {"30", {250, 80}, 0},
  };
  for (const auto& c : cases) {
    const bool first = c.code == "10";
    fake::FakeOverlay& window = first ? rig.host.frmMain : rig.host.frmTwo;
    std::tie(s.STRX, s.STRY, s.STRX2, s.STRY2) =
        std::tuple(c.point.x, c.point.y, c.point.x, c.point.y);
    rig.host.pointer.clicks.clear();
    rig.host.Receive(c.code);
    EXPECT_EQ(window.place.top, c.asideTop) << c.code << " at " << c.point.x << "," << c.point.y;
    rig.host.Pump();
    EXPECT_EQ(rig.host.MSComm1.sent, "") << c.code << " at " << c.point.x << "," << c.point.y;
    EXPECT_THAT(rig.host.pointer.clicks, ElementsAre(c.point));
    EXPECT_TRUE(rig.host.Tick(first ? rig.host.Timer1 : rig.host.Timer2));
    EXPECT_EQ(window.place.top, 150) << "put back as always";
  }
}

// A point on an overlay that does not step aside for that code: the overlay would
// take the click and send the operator's code for it. Nothing is pressed and the
// click is not made; a hidden overlay takes nothing, and its point is pressed.
TEST_F(ClicksTest, APointOnAnOverlayThatStaysIsNeverPressedNorRelayed) {
  SettingsRecord& s = rig.program.Settings;
  Placed();
  const Point insideMain{.x = 61, .y = 101};  // 915, 1515 twips
  const Point insideTwo{.x = 64, .y = 201};   // 960, 3015 twips
  const struct {
    std::string_view code;
    Point point;
    bool pressed;
  } cases[] = {
      {"20", insideMain, false}, {"20", insideTwo, false}, {"10", insideTwo, false},
      {"30", insideMain, false}, {"10", insideMain, true}, {"30", insideTwo, true},
  };
  for (const bool shown : {true, false}) {
    rig.host.Receive(shown ? "40" : "50");
    for (const auto& c : cases) {
      s.STRX = s.STPX = s.STRX2 = static_cast<std::int16_t>(c.point.x);
      s.STRY = s.STPY = s.STRY2 = static_cast<std::int16_t>(c.point.y);
      rig.host.pointer.clicks.clear();
      rig.host.toolkit.notices.clear();
      rig.host.Receive(c.code);
      rig.host.Pump();
      rig.host.Land();
      const bool pressed = c.pressed || !shown;
      EXPECT_EQ(rig.host.pointer.clicks.size(), pressed ? 1u : 0u) << c.code << " at " << c.point.x;
      EXPECT_EQ(rig.host.toolkit.notices.size(), pressed ? 0u : 1u)
          << c.code << " at " << c.point.x;
    }
  }
  EXPECT_EQ(rig.host.MSComm1.sent, "");
  EXPECT_EQ(rig.host.frmMain.place.top, 1500);
  EXPECT_EQ(rig.host.frmTwo.place.top, 3000);
}

// The operator's button is down when "10" comes: frmMain stays aside, nothing is
// pressed, and the click is made on the first tick after the button is up.
TEST_F(ClicksTest, AClickThatMustWaitIsMadeOnceThePointerIsFree) {
  Placed();
  rig.host.pointer.busy = true;
  rig.host.Receive("10");
  EXPECT_THAT(rig.host.pointer.clicks, IsEmpty());
  EXPECT_EQ(rig.host.frmMain.place.top, 0);
  EXPECT_FALSE(rig.host.Timer1.Enabled()) << "no restore before the click";
  for (int tick = 0; tick < 20; ++tick) {
    rig.host.toolkit.now += std::chrono::milliseconds(10);
    EXPECT_TRUE(rig.host.Tick(rig.host.Timer3));
  }
  EXPECT_EQ(rig.host.frmMain.place.top, 0);
  rig.host.pointer.busy = false;
  rig.host.toolkit.now += std::chrono::milliseconds(10);
  const std::size_t mark = Mark();
  EXPECT_TRUE(rig.host.Tick(rig.host.Timer3));
  EXPECT_THAT(rig.LogFrom(mark),
              ElementsAre("Click(100,110)", "Timer1.Enabled(1)", "Return", "Timer3.Enabled(0)"));
  EXPECT_TRUE(rig.host.Tick(rig.host.Timer1));
  EXPECT_EQ(rig.host.frmMain.place.top, 1500);
  EXPECT_THAT(rig.host.toolkit.notices, IsEmpty());
  rig.host.Pump();
  EXPECT_EQ(rig.host.MSComm1.sent, "");
}

// Codes keep coming while the first click waits: show and hide act at once, the
// clicks follow in the order approved, and a restore due meanwhile leaves the
// overlay of the waiting click aside.
TEST_F(ClicksTest, LaterClicksQueueBehindAWaitingOneAndOtherCodesActAtOnce) {
  Placed();
  rig.host.Receive("10");
  rig.host.pointer.busy = true;
  rig.host.Receive("10");
  rig.host.Receive("203050");
  EXPECT_FALSE(rig.host.frmMain.shown) << "hidden at once";
  EXPECT_THAT(rig.host.pointer.refused, ElementsAre(Point{100, 110}));
  EXPECT_TRUE(rig.host.Tick(rig.host.Timer1));
  EXPECT_EQ(rig.host.frmMain.place.top, 0) << "aside for the waiting click";
  EXPECT_FALSE(rig.host.Timer1.Enabled());
  EXPECT_EQ(rig.host.frmTwo.place.top, 3000) << "not aside before its turn";
  rig.host.pointer.busy = false;
  rig.host.toolkit.now += std::chrono::milliseconds(500);
  rig.host.Tick(rig.host.Timer3);
  EXPECT_THAT(rig.host.pointer.clicks,
              ElementsAre(Point{100, 110}, Point{100, 110}, Point{200, 210}, Point{300, 310}));
  EXPECT_FALSE(rig.host.Timer3.Enabled());
  EXPECT_TRUE(rig.host.Tick(rig.host.Timer1));
  EXPECT_TRUE(rig.host.Tick(rig.host.Timer2));
  EXPECT_EQ(rig.host.frmMain.place.top, 1500);
  EXPECT_EQ(rig.host.frmTwo.place.top, 3000);
}

// After a second from its turn nothing is pressed for that code: the loss is
// reported, its overlay goes back on its restore, and the next waiting click gets its
// own second from its own turn.
TEST_F(ClicksTest, AClickStillBlockedAfterASecondIsReportedAndNeverMade) {
  Placed();
  rig.host.pointer.busy = true;
  rig.host.Receive("30");
  rig.host.toolkit.now += std::chrono::milliseconds(400);
  rig.host.Receive("20");
  rig.host.toolkit.now += std::chrono::milliseconds(599);
  rig.host.Tick(rig.host.Timer3);
  EXPECT_THAT(rig.host.toolkit.notices, IsEmpty());
  rig.host.toolkit.now += std::chrono::milliseconds(1);
  rig.host.Tick(rig.host.Timer3);
  ASSERT_EQ(rig.host.toolkit.notices.size(), 1u);
  EXPECT_THAT(rig.host.toolkit.notices[0], ::testing::HasSubstr("300,310"));
  EXPECT_EQ(rig.host.pointer.refused.back(), (Point{200, 210})) << "the next one is tried";
  EXPECT_TRUE(rig.host.Tick(rig.host.Timer2));
  EXPECT_EQ(rig.host.frmTwo.place.top, 3000);
  rig.host.toolkit.now += std::chrono::milliseconds(999);
  rig.host.Tick(rig.host.Timer3);
  EXPECT_EQ(rig.host.toolkit.notices.size(), 1u);
  rig.host.toolkit.now += std::chrono::milliseconds(1);
  rig.host.Tick(rig.host.Timer3);
  EXPECT_EQ(rig.host.toolkit.notices.size(), 2u);
  EXPECT_FALSE(rig.host.Timer3.Enabled());
  rig.host.pointer.busy = false;
  EXPECT_FALSE(rig.host.Tick(rig.host.Timer3));
  EXPECT_THAT(rig.host.pointer.clicks, IsEmpty());
}

// A failure's box stops every click: what waits is dropped and reported, and the
// overlay that stepped aside for it goes back.
TEST_F(ClicksTest, AFailureDropsWaitingClicksAndPutsTheirOverlayBack) {
  Placed();
  rig.host.pointer.busy = true;
  rig.host.Receive("10");
  rig.host.MSComm1.lineGone = true;
  bool restored = false;
  rig.host.whileMessageBoxOpen.push_back([this, &restored] {
    rig.host.pointer.busy = false;
    EXPECT_FALSE(rig.host.Tick(rig.host.Timer3));
    restored = rig.host.Tick(rig.host.Timer1);
  });
  rig.host.Click(rig.host.frmTwo);
  EXPECT_EQ(rig.host.toolkit.notices.size(), 1u);
  EXPECT_TRUE(restored);
  EXPECT_EQ(rig.host.frmMain.place.top, 1500);
  EXPECT_THAT(rig.host.pointer.clicks, IsEmpty());
}

// A screen change puts both overlays back where the settings say and on top, except
// one aside for a click: it stays aside until its restore.
TEST_F(ClicksTest, AScreenChangePlacesBothAgainButLeavesOneAsideForItsClick) {
  Placed();
  rig.host.frmMain.place = rig.host.frmTwo.place = {0, 0, 15, 15};  // moved by the system
  rig.host.ChangeScreen();
  EXPECT_EQ(rig.host.frmMain.place, (TwipsRect{900, 1500, 1200, 450}));
  EXPECT_EQ(rig.host.frmTwo.place, (TwipsRect{950, 3000, 1300, 460}));
  EXPECT_TRUE(rig.host.frmMain.onTop && rig.host.frmTwo.onTop);
  for (const bool waits : {false, true}) {
    rig.host.pointer.busy = waits;
    rig.host.Receive("10");
    rig.host.frmMain.onTop = false;
    rig.host.ChangeScreen();
    EXPECT_EQ(rig.host.frmMain.place.top, 0) << waits;
    EXPECT_TRUE(rig.host.frmMain.onTop) << waits;
    rig.host.pointer.busy = false;
    rig.host.toolkit.now += std::chrono::milliseconds(10);
    rig.host.Tick(rig.host.Timer3);
    EXPECT_TRUE(rig.host.Tick(rig.host.Timer1));
    EXPECT_EQ(rig.host.frmMain.place.top, 1500) << waits;
  }
}

}  // namespace
}  // namespace quorvex
