#include "commands/placement.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <tuple>

#include "rig.h"

namespace quorvex {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

constexpr Point kAt{.x = 100, .y = 50};  // 1500, 750 twips
constexpr Point kMovedTo{.x = 300, .y = 20};

class PlacementTest : public ::testing::Test {
 protected:
  PlacementTest() {
    dir.Write("tessora.ini",
              "WINDOW:  Demo  \nAUTOCONN:1\nCP:3\nPL:900\nPT:1500\nFW:1200\nFH:450\n"
              "PL2:950\nPT2:3000\nFW2:1300\nFH2:460\nSTRX:100\nSTRY:110\nSTPX:200\nSTPY:210\n"
              "STRX2:300\nSTRY2:310\n");
  }
  void Start(std::optional<Point> window) {
    rig.host.window.origin = window;
    rig.handlers.Start();
  }
  fake::FakeOverlay& main() { return rig.host.frmMain; }
  fake::FakeOverlay& two() { return rig.host.frmTwo; }
  std::size_t Mark() const { return rig.host.log.size(); }

  testing::ScopedWorkingDirectory dir;
  testing::Rig rig;
};

TEST_F(PlacementTest, OverlaysAndClicksCountFromTheWindowsClientArea) {
  Start(kAt);
  EXPECT_EQ(rig.host.window.followed, "Demo") << "blanks at either end do not count";
  EXPECT_EQ(main().place, (TwipsRect{2400, 2250, 1200, 450}));
  EXPECT_EQ(two().place, (TwipsRect{2450, 3750, 1300, 460}));
  EXPECT_TRUE(main().shown && two().shown);
  EXPECT_EQ(rig.host.MSComm1.sent, "some data");

  rig.host.Receive("10");
  EXPECT_EQ(main().place, (TwipsRect{2400, 0, 1200, 450}));
  rig.host.Receive("20");
  rig.host.Receive("30");
  EXPECT_EQ(two().place, (TwipsRect{2450, 0, 1300, 460}));
  EXPECT_THAT(rig.host.pointer.clicks,
              ElementsAre(Point{200, 160}, Point{300, 260}, Point{400, 360}));
  rig.host.Tick(rig.host.Timer1);
  rig.host.Tick(rig.host.Timer2);
  EXPECT_EQ(main().place, (TwipsRect{2400, 2250, 1200, 450}));
  EXPECT_EQ(two().place, (TwipsRect{2450, 3750, 1300, 460}));
}

TEST_F(PlacementTest, OverlaysFollowAMoveAndAClickGoesWhereTheWindowIsNow) {
  Start(kAt);
  rig.host.MoveWindow(kMovedTo);
  EXPECT_EQ(main().place, (TwipsRect{5400, 1800, 1200, 450}));
  EXPECT_EQ(two().place, (TwipsRect{5450, 3300, 1300, 460}));
  // Moved again, the platform not having said so yet.
  rig.host.window.origin = Point{10, 10};
  rig.host.Receive("10");
  EXPECT_THAT(rig.host.pointer.clicks, ElementsAre(Point{110, 120}));
  EXPECT_EQ(main().place, (TwipsRect{1050, 0, 1200, 450}));
  rig.host.Tick(rig.host.Timer1);
  EXPECT_EQ(main().place, (TwipsRect{5400, 1800, 1200, 450}))
      << "back where the window was last said to be; its move brings it on";
  const std::size_t mark = Mark();
  rig.host.MoveWindow(Point{10, 10});
  EXPECT_EQ(main().place, (TwipsRect{1050, 1650, 1200, 450}));
  rig.host.MoveWindow(Point{10, 10});
  EXPECT_THAT(rig.LogFrom(mark), SizeIs(2)) << "a move to the same place changes nothing";
}

TEST_F(PlacementTest, AnOverlaySteppedAsideStaysAsideThroughAMoveAndComesBackToTheNewPlace) {
  Start(kAt);
  rig.host.Receive("10");
  const std::size_t mark = Mark();
  rig.host.MoveWindow(kMovedTo);
  EXPECT_THAT(rig.LogFrom(mark), ElementsAre("frmTwo.Place(5450,3300,1300,460)"));
  EXPECT_EQ(main().place.top, 0) << "still aside for its click";
  rig.host.Tick(rig.host.Timer1);
  EXPECT_EQ(main().place, (TwipsRect{5400, 1800, 1200, 450}));
}

TEST_F(PlacementTest, WhileTheWindowIsAbsentNothingIsCoveredAndNothingPressed) {
  Start(std::nullopt);
  EXPECT_FALSE(main().shown || two().shown);
  EXPECT_TRUE(main().onTop && two().onTop);
  EXPECT_EQ(rig.host.MSComm1.sent, "some data") << "the port opens as usual";
  rig.host.toolkit.notices.clear();  // the start's own line
  rig.host.Receive("102030");
  EXPECT_THAT(rig.host.pointer.clicks, IsEmpty());
  EXPECT_FALSE(rig.host.Timer1.Enabled() || rig.host.Timer2.Enabled());
  EXPECT_THAT(rig.host.toolkit.notices,
              ElementsAre(::testing::HasSubstr("Code 10 pressed nothing"),
                          ::testing::HasSubstr("Code 20"), ::testing::HasSubstr("Code 30")));
  EXPECT_THAT(rig.host.toolkit.notices[0], ::testing::HasSubstr("\"Demo\""));
  EXPECT_EQ(rig.host.toolkit.exitStatus, std::nullopt);

  rig.host.MoveWindow(kAt);
  EXPECT_EQ(main().place, (TwipsRect{2400, 2250, 1200, 450}));
  EXPECT_TRUE(main().shown && two().shown) << "started shown, so shown when it comes";
  rig.host.MoveWindow(std::nullopt);
  EXPECT_FALSE(main().shown || two().shown);
  rig.host.Receive("10");
  EXPECT_THAT(rig.host.pointer.clicks, IsEmpty());
}

TEST_F(PlacementTest, ShownOrHiddenAsLastAskedWhenTheWindowComesBack) {
  Start(kAt);
  rig.host.MoveWindow(std::nullopt);
  rig.host.Receive("50");
  EXPECT_FALSE(main().shown || two().shown);
  rig.host.MoveWindow(kMovedTo);
  EXPECT_FALSE(main().shown || two().shown) << "\"50\" kept across";
  EXPECT_EQ(two().place, (TwipsRect{5450, 3300, 1300, 460})) << "placed while hidden";
  rig.host.MoveWindow(std::nullopt);
  rig.host.Receive("40");
  EXPECT_FALSE(main().shown || two().shown) << "nothing to cover yet";
  rig.host.MoveWindow(kAt);
  EXPECT_TRUE(main().shown && two().shown);
  rig.host.Receive("50");
  EXPECT_FALSE(main().shown || two().shown);
  rig.host.Receive("40");
  EXPECT_TRUE(main().shown && two().shown);
}

TEST_F(PlacementTest, TheWindowGoingDuringAStepAsideLeavesNothingCoveredAndTheTickIsHarmless) {
  Start(kAt);
  rig.host.Receive("30");
  rig.host.MoveWindow(std::nullopt);
  EXPECT_FALSE(two().shown);
  EXPECT_TRUE(rig.host.Tick(rig.host.Timer2));
  EXPECT_FALSE(two().shown);
  EXPECT_FALSE(rig.host.Timer2.Enabled());
  rig.host.MoveWindow(kMovedTo);
  EXPECT_EQ(two().place, (TwipsRect{5450, 3300, 1300, 460}));
  EXPECT_TRUE(two().shown);
}

// The step-aside goes to the screen's top edge, not the window's.
TEST_F(PlacementTest, AboveTheScreensEdgeOnlyWhereTopZeroWouldStillCoverThePoint) {
  Start(Point{0, 5});
  rig.host.Receive("10");  // overlay 1 at y 105 to 135, the point at y 115
  EXPECT_EQ(main().place.top, 0);
  rig.host.Tick(rig.host.Timer1);
  rig.program.Settings.STRY = 10;  // at y 15: within 30 pixels of the edge
  rig.host.Receive("10");
  EXPECT_EQ(main().place.top, -450);
  EXPECT_THAT(rig.host.pointer.clicks, ElementsAre(Point{100, 115}, Point{100, 15}));
}

// Another window over the application's at the point: the click waits as for a held
// button, and is made once the window is gone; one still covered after a second is
// never made, and the notice names the cover. Without WINDOW nothing is asked.
TEST_F(PlacementTest, ACoveredPointWaitsAndIsNeverPressedThroughTheCover) {
  Start(kAt);
  rig.host.pointer.cover = "Instructions";
  rig.host.Receive("10");
  EXPECT_THAT(rig.host.pointer.clicks, IsEmpty());
  EXPECT_THAT(rig.host.pointer.refused, ElementsAre(Point{200, 160}));
  rig.host.pointer.cover.reset();
  rig.host.toolkit.now += std::chrono::milliseconds(10);
  rig.host.Land();
  EXPECT_THAT(rig.host.pointer.clicks, ElementsAre(Point{200, 160}));

  rig.host.pointer.cover = "Update \x1b available";
  rig.host.Receive("20");
  rig.host.toolkit.now += std::chrono::milliseconds(1000);
  rig.host.Land();
  EXPECT_THAT(rig.host.pointer.clicks, SizeIs(1));
  EXPECT_THAT(rig.host.toolkit.notices.back(),
              ::testing::HasSubstr("the window \"Update ? available\" lies over"));
}

// While the cover waits, frmMain stays aside and the cursor where the operator left it:
// nothing was pressed, so there is nothing to come back from. Given up, the overlay
// goes back on its restore, and the cover comes or goes without a press.
TEST_F(PlacementTest, ACoveredPointKeepsItsOverlayAsideAndNeverMovesTheCursor) {
  Start(kAt);
  const std::size_t told = rig.host.toolkit.notices.size();
  rig.host.pointer.cover = "Instructions";
  rig.host.Receive("10");
  for (int tick = 0; tick < 99; ++tick) {
    rig.host.toolkit.now += std::chrono::milliseconds(10);
    rig.host.Tick(rig.host.Timer1);
    EXPECT_TRUE(rig.host.Tick(rig.host.Timer3));
  }
  EXPECT_EQ(main().place.top, 0);
  EXPECT_FALSE(rig.host.Timer1.Enabled()) << "no restore before the click is over";
  EXPECT_EQ(rig.host.pointer.cursor, (Point{500, 400}));
  EXPECT_THAT(rig.host.toolkit.notices, SizeIs(told));
  const std::size_t mark = Mark();
  rig.host.toolkit.now += std::chrono::milliseconds(10);
  rig.host.Tick(rig.host.Timer3);
  EXPECT_THAT(rig.LogFrom(mark),
              ElementsAre(::testing::HasSubstr("the window \"Instructions\" lies over"),
                          "Timer1.Enabled(1)", "Timer3.Enabled(0)"))
      << "no Return: the cursor never went";
  EXPECT_TRUE(rig.host.Tick(rig.host.Timer1));
  EXPECT_EQ(main().place, (TwipsRect{2400, 2250, 1200, 450}));
  rig.host.pointer.cover.reset();
  rig.host.Land();
  EXPECT_THAT(rig.host.pointer.clicks, IsEmpty());
}

TEST(PlacementWithoutWindow, ACoverIsNotAskedFor) {
  testing::Rig rig;
  rig.host.pointer.cover = "Instructions";
  rig.host.Receive("20");
  EXPECT_THAT(rig.host.pointer.clicks, SizeIs(1));
}

TEST(PlacementWithoutWindow, NeitherFollowsNorHearsOfWindows) {
  for (const std::string_view window : {"", "WINDOW:\n", "WINDOW: \t \n"}) {
    testing::ScopedWorkingDirectory dir;
    dir.Write("tessora.ini", std::string(window) + "PL:900\nPT:1500\n");
    testing::Rig rig;
    rig.handlers.Start();
    EXPECT_EQ(rig.host.window.followed, std::nullopt) << window;
    const std::size_t mark = rig.host.log.size();
    rig.host.MoveWindow(Point{300, 300});
    EXPECT_THAT(rig.LogFrom(mark), IsEmpty()) << window;
    EXPECT_EQ(rig.host.frmMain.place, (TwipsRect{900, 1500, 0, 0}));
    EXPECT_TRUE(rig.host.frmMain.shown);
  }
}

}  // namespace
}  // namespace quorvex
