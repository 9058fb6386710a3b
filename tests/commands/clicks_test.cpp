#include "commands/clicks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <tuple>

#include "platform/virtual_screen.h"
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
    rig.host.user32.cursor = {.x = 640, .y = 480};
  }
  std::size_t Mark() const { return rig.host.log.size(); }

  testing::Rig rig;
};

TEST_F(ClicksTest, StartStepsFrmMainAsideClicksAndRestoresOnTheTick) {
  const std::size_t mark = Mark();
  rig.host.Receive("10");
  EXPECT_THAT(rig.LogFrom(mark), ElementsAre("MSComm1.Input", "frmMain.Top=0", "GetCursorPos",
                                             "SendInput(c003@100,110;c005@100,110)",
                                             "SetCursorPos(640,480)", "Timer1.Enabled=1"));
  EXPECT_EQ(rig.host.user32.cursor, (Point{.x = 640, .y = 480}));
  EXPECT_EQ(rig.host.frmMain.top, 0) << "not back before the tick";

  const std::size_t tick = Mark();
  EXPECT_TRUE(rig.host.Tick(rig.host.Timer1));
  EXPECT_THAT(rig.LogFrom(tick),
              ElementsAre("frmMain.Left=900", "frmMain.Top=1500", "Timer1.Enabled=0"));
  EXPECT_FALSE(rig.host.Tick(rig.host.Timer1)) << "one-shot";
}

TEST_F(ClicksTest, Start2StepsFrmTwoAsideWithTimer2) {
  const std::size_t mark = Mark();
  rig.host.Receive("30");
  EXPECT_THAT(rig.LogFrom(mark), ElementsAre("MSComm1.Input", "frmTwo.Top=0", "GetCursorPos",
                                             "SendInput(c003@300,310;c005@300,310)",
                                             "SetCursorPos(640,480)", "Timer2.Enabled=1"));
  EXPECT_FALSE(rig.host.Timer1.Enabled());
  const std::size_t tick = Mark();
  EXPECT_TRUE(rig.host.Tick(rig.host.Timer2));
  EXPECT_THAT(rig.LogFrom(tick),
              ElementsAre("frmTwo.Left=950", "frmTwo.Top=3000", "Timer2.Enabled=0"));
}

TEST_F(ClicksTest, StopClicksWithoutMovingAnythingOrArmingATimer) {
  const std::size_t mark = Mark();
  rig.host.Receive("20");
  EXPECT_THAT(rig.LogFrom(mark),
              ElementsAre("MSComm1.Input", "GetCursorPos", "SendInput(c003@200,210;c005@200,210)",
                          "SetCursorPos(640,480)"));
}

TEST_F(ClicksTest, TwoStartsWithinOneIntervalClickTwiceAndRestoreOnce) {
  rig.host.Receive("10");
  rig.host.Receive("10");
  EXPECT_THAT(rig.host.user32.clicks, ElementsAre(Point{100, 110}, Point{100, 110}));
  EXPECT_TRUE(rig.host.Tick(rig.host.Timer1));
  EXPECT_FALSE(rig.host.Tick(rig.host.Timer1));
  EXPECT_EQ(rig.host.frmMain.top, 1500);
}

TEST_F(ClicksTest, ALeftThatMovedMeanwhileIsPutBackToo) {
  rig.host.Receive("10");
  rig.host.frmMain.Left(7);
  rig.host.Tick(rig.host.Timer1);
  EXPECT_EQ(rig.host.frmMain.left, 900);
}

TEST_F(ClicksTest, HiddenFrmMainStillStepsAsideAndBackAndStaysHidden) {
  rig.host.frmMain.visible = rig.host.frmTwo.visible = true;
  rig.host.Receive("50");
  rig.host.Receive("10");
  rig.host.Tick(rig.host.Timer1);
  EXPECT_THAT(rig.host.user32.clicks, ElementsAre(Point{100, 110}));
  EXPECT_EQ(rig.host.frmMain.top, 1500);
  EXPECT_FALSE(rig.host.frmMain.visible);
  EXPECT_FALSE(rig.host.frmTwo.visible);
}

TEST_F(ClicksTest, ShowAndHideAlwaysTouchBothInOrder) {
  rig.host.frmMain.visible = rig.host.frmTwo.visible = true;
  std::size_t mark = Mark();
  rig.host.Receive("40");
  EXPECT_THAT(rig.LogFrom(mark),
              ElementsAre("MSComm1.Input", "frmMain.Visible=1", "frmTwo.Visible=1"));
  EXPECT_TRUE(rig.host.frmMain.visible && rig.host.frmTwo.visible);
  mark = Mark();
  rig.host.Receive("50");
  EXPECT_THAT(rig.LogFrom(mark),
              ElementsAre("MSComm1.Input", "frmMain.Visible=0", "frmTwo.Visible=0"));
}

TEST_F(ClicksTest, NegativePointsStayNegative) {
  auto& screen = rig.host.user32.virtualScreen;  // monitors far left of and above the primary
  std::tie(screen.left, screen.top, screen.width, screen.height) =
      std::tuple(-3840, -32768, 5760, 32768);
  rig.program.Settings.STPX = -1920;
  rig.program.Settings.STPY = -32768;
  rig.host.Receive("20");
  EXPECT_THAT(rig.host.user32.clicks, ElementsAre(Point{-1920, -32768}));
}

TEST_F(ClicksTest, PressAndReleaseCarryThePointInOneCall) {
  rig.host.Receive("20");
  ASSERT_EQ(rig.host.user32.sentInputs.size(), 1u);
  const std::vector<MouseInput>& inputs = rig.host.user32.sentInputs[0];
  ASSERT_EQ(inputs.size(), 2u);
  // MOUSEEVENTF_MOVE | MOUSEEVENTF_VIRTUALDESK | MOUSEEVENTF_ABSOLUTE, then the button.
  EXPECT_EQ(inputs[0].dwFlags, 0xC001u | 0x0002u);
  EXPECT_EQ(inputs[1].dwFlags, 0xC001u | 0x0004u);
  EXPECT_EQ(std::tie(inputs[0].dx, inputs[0].dy), std::tie(inputs[1].dx, inputs[1].dy));
  EXPECT_THAT(rig.host.user32.clicks, ElementsAre(Point{200, 210}));
  EXPECT_EQ(rig.host.user32.cursor, (Point{.x = 640, .y = 480})) << "the cursor goes back";
}

TEST_F(ClicksTest, APointOffTheScreenIsClickedAtItsNearestEdge) {
  auto& screen = rig.host.user32.virtualScreen;
  std::tie(screen.left, screen.top, screen.width, screen.height) = std::tuple(-1280, 0, 2304, 768);
  rig.program.Settings.STPX = 5000;
  rig.program.Settings.STPY = -20;
  rig.host.Receive("20");
  EXPECT_THAT(rig.host.user32.clicks, ElementsAre(Point{1023, 0}));
}

// Whatever the mapping back does with the middle of a pixel, rounding down or to the
// nearest, the first and last rows and columns come out exact.
TEST(AbsoluteCoordinates, EveryPixelComesBackAsItself) {
  for (const std::int32_t extent : {1, 2, 3, 640, 768, 1024, 1080, 1920, 5760, 32768}) {
    for (const std::int32_t origin : {0, -1920, 1080}) {
      std::int32_t previous = -1;
      for (std::int32_t pixel = origin; pixel < origin + extent; ++pixel) {
        const std::int32_t absolute = ToAbsolute(pixel, origin, extent);
        ASSERT_GT(absolute, previous) << extent << " " << pixel;
        ASSERT_LE(absolute, 65535) << extent << " " << pixel;
        ASSERT_EQ(FromAbsolute(absolute, origin, extent), pixel) << extent << " " << pixel;
        previous = absolute;
      }
      EXPECT_EQ(ToAbsolute(origin - 7, origin, extent), ToAbsolute(origin, origin, extent));
      EXPECT_EQ(ToAbsolute(origin + extent, origin, extent),
                ToAbsolute(origin + extent - 1, origin, extent));
    }
  }
}

// A button within an overlay's height of the top edge: at Top 0 the overlay would
// still lie over the point, take the click and send its own code.
TEST_F(ClicksTest, OverlayGoesAboveTheEdgeOnlyWhenTopZeroWouldStillCoverThePoint) {
  SettingsRecord& s = rig.program.Settings;
  // 80 x 80 pixels at (60, 10), and frmTwo beside it at (200, 10).
  std::tie(s.PL, s.PT, s.FW, s.FH) = std::tuple(900, 150, 1200, 1200);
  std::tie(s.PL2, s.PT2, s.FW2, s.FH2) = std::tuple(3000, 150, 1200, 1200);
  for (auto [window, left, top, width, height] :
       {std::tuple(&rig.host.frmMain, s.PL, s.PT, s.FW, s.FH),
        std::tuple(&rig.host.frmTwo, s.PL2, s.PT2, s.FW2, s.FH2)}) {
    window->Left(left);
    window->Top(top);
    window->Width(width);
    window->Height(height);
    window->Visible(true);
  }
  const struct {
    std::string_view code;
    Point point;
    double asideTop;
  } cases[] = {
      {"10", {100, 50}, -1200}, {"10", {60, 0}, -1200},   {"10", {139, 79}, -1200},
      {"10", {100, 80}, 0},     {"10", {140, 50}, 0},     {"10", {59, 50}, 0},
      {"30", {250, 50}, -1200}, {"30", {200, 79}, -1200}, {"30", {250, 80}, 0},
  };
  for (const auto& c : cases) {
    const bool first = c.code == "10";
    fake::FakeWindow& window = first ? rig.host.frmMain : rig.host.frmTwo;
    std::tie(s.STRX, s.STRY, s.STRX2, s.STRY2) =
        std::tuple(c.point.x, c.point.y, c.point.x, c.point.y);
    rig.host.user32.clicks.clear();
    rig.host.Receive(c.code);
    EXPECT_EQ(window.top, c.asideTop) << c.code << " at " << c.point.x << "," << c.point.y;
    rig.host.Pump();
    EXPECT_EQ(rig.host.MSComm1.sent, "") << c.code << " at " << c.point.x << "," << c.point.y;
    EXPECT_THAT(rig.host.user32.clicks, ElementsAre(c.point));
    EXPECT_TRUE(rig.host.Tick(first ? rig.host.Timer1 : rig.host.Timer2));
    EXPECT_EQ(window.top, 150) << "put back as always";
  }
}

// A click on an overlay that did not step aside is an operator click like any other.
TEST_F(ClicksTest, APointOnAnOverlayThatStaysSendsThatOverlaysCode) {
  SettingsRecord& s = rig.program.Settings;
  rig.host.frmMain.Left(s.PL);
  rig.host.frmMain.Top(s.PT);
  rig.host.frmMain.Width(s.FW);
  rig.host.frmMain.Height(s.FH);
  rig.host.frmMain.Visible(true);
  rig.host.frmTwo.Left(s.PL2);
  rig.host.frmTwo.Top(s.PT2);
  rig.host.frmTwo.Width(s.FW2);
  rig.host.frmTwo.Height(s.FH2);
  rig.host.frmTwo.Visible(true);
  const Point insideMain{.x = 61, .y = 101};  // 915, 1515 twips
  const Point insideTwo{.x = 64, .y = 201};   // 960, 3015 twips
  const struct {
    std::string_view code;
    Point point;
    std::string_view sent;
  } cases[] = {
      {"20", insideMain, "101"}, {"20", insideTwo, "202"}, {"10", insideTwo, "202"},
      {"30", insideMain, "101"}, {"10", insideMain, ""},   {"30", insideTwo, ""},
  };
  for (const auto& c : cases) {
    s.STRX = s.STPX = static_cast<std::int16_t>(c.point.x);
    s.STRY = s.STPY = static_cast<std::int16_t>(c.point.y);
    s.STRX2 = s.STRX;
    s.STRY2 = s.STRY;
    rig.host.MSComm1.sent.clear();
    rig.host.Receive(c.code);
    rig.host.Pump();
    rig.host.Tick(rig.host.Timer1);
    rig.host.Tick(rig.host.Timer2);
    EXPECT_EQ(rig.host.MSComm1.sent, c.sent) << c.code << " at " << c.point.x;
  }
}

}  // namespace
}  // namespace quorvex
