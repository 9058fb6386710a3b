#include "commands/clicks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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
    rig.host.user32.cursor = {.x = 640, .y = 480};
  }
  std::size_t Mark() const { return rig.host.log.size(); }

  testing::Rig rig;
};

TEST_F(ClicksTest, StartStepsFrmMainAsideClicksAndRestoresOnTheTick) {
  const std::size_t mark = Mark();
  rig.host.Receive("10");
  EXPECT_THAT(rig.LogFrom(mark),
              ElementsAre("MSComm1.Input", "frmMain.Top=0", "GetCursorPos", "SetCursorPos(100,110)",
                          "mouse_event(2,0,0,0,0)", "mouse_event(4,0,0,0,0)",
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
  EXPECT_THAT(rig.LogFrom(mark),
              ElementsAre("MSComm1.Input", "frmTwo.Top=0", "GetCursorPos", "SetCursorPos(300,310)",
                          "mouse_event(2,0,0,0,0)", "mouse_event(4,0,0,0,0)",
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
  EXPECT_THAT(rig.LogFrom(mark), ElementsAre("MSComm1.Input", "GetCursorPos",
                                             "SetCursorPos(200,210)", "mouse_event(2,0,0,0,0)",
                                             "mouse_event(4,0,0,0,0)", "SetCursorPos(640,480)"));
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
  rig.program.Settings.STPX = -1920;
  rig.program.Settings.STPY = -32768;
  rig.host.Receive("20");
  EXPECT_THAT(rig.host.user32.clicks, ElementsAre(Point{-1920, -32768}));
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
