#include "app/reconnect.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/failure.h"
#include "relay/relay.h"
#include "rig.h"

namespace quorvex {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;

constexpr std::string_view kSettings =
    "AUTOCONN:1\nCP:3\nPL:900\nPT:1500\nFW:1200\nFH:450\nPL2:950\nPT2:3000\nFW2:1300\nFH2:460\n"
    "STRX:100\nSTRY:110\nSTPX:200\nSTPY:210\n";

class ReconnectTest : public ::testing::Test {
 protected:
  void Start(std::string_view extra = "RECONNECT:1\n") {
    dir.Write("tessora.ini", std::string(kSettings) + std::string(extra));
    rig.handlers.Start();
    rig.host.log.clear();
    rig.host.toolkit.notices.clear();  // the start line
  }
  fake::FakeHost& host() { return rig.host; }
  bool HeldVisibly(std::uint8_t alpha = 220) {
    return host().frmMain.held && host().frmTwo.held && host().frmMain.alpha == alpha &&
           host().frmTwo.alpha == alpha;
  }
  // The adapter is back: the next open succeeds.
  void PlugIn() {
    host().MSComm1.openFailure.reset();
    host().MSComm1.lineGone = false;
  }
  void Unplugged() {
    host().MSComm1.openFailure =
        PortFailure(PortProblem::kMissing, NumberedPort(3, PortSystem::kWindows), "gone");
  }

  testing::ScopedWorkingDirectory dir;
  testing::Rig rig;
};

TEST_F(ReconnectTest, AHangUpHoldsBothOverlaysVisiblyInsteadOfEnding) {
  Start();
  host().HangUp();
  EXPECT_THAT(host().toolkit.messages, IsEmpty());
  EXPECT_FALSE(host().toolkit.exitStatus);
  EXPECT_TRUE(HeldVisibly());
  EXPECT_TRUE(host().frmMain.shown && host().frmTwo.shown);
  EXPECT_EQ(host().frmMain.place, (TwipsRect{900, 1500, 1200, 450}));
  EXPECT_TRUE(host().Timer4.Enabled());
  EXPECT_THAT(host().toolkit.notices,
              ElementsAre(AllOf(HasSubstr("COM3"), HasSubstr("Input/output error"))));
}

// A port not there yet at start (an adapter still being set up at boot): no box, both
// overlays up and held, a try each second, the greeting once it opens and what waited
// on it dropped. A CP that names no port is still a mistake that ends the start.
TEST_F(ReconnectTest, APortNotThereAtStartIsHeldForAsALostOne) {
  Unplugged();
  Start();
  EXPECT_THAT(host().toolkit.messages, IsEmpty());
  EXPECT_TRUE(HeldVisibly());
  EXPECT_TRUE(host().frmMain.shown && host().frmTwo.shown);
  EXPECT_TRUE(host().Timer4.Enabled());
  host().Click(host().frmMain);
  EXPECT_EQ(host().MSComm1.sent, "");
  EXPECT_FALSE(host().toolkit.exitStatus);
  host().Tick(host().Timer4);
  PlugIn();
  host().MSComm1.waiting = "10";
  host().Tick(host().Timer4);
  EXPECT_EQ(host().MSComm1.sent, "some data");
  EXPECT_FALSE(HeldVisibly(1));
  EXPECT_THAT(host().pointer.clicks, IsEmpty()) << "what waited is dropped";

  for (const std::string_view cp : {"CP:x\n", "CP:\n"}) {
    testing::ScopedWorkingDirectory other;
    other.Write("tessora.ini", "AUTOCONN:1\nRECONNECT:1\n" + std::string(cp));
    testing::Rig fresh;
    fresh.handlers.Start();
    EXPECT_THAT(fresh.host.toolkit.messages, SizeIs(1)) << cp;
    EXPECT_EQ(fresh.host.toolkit.exitStatus, 1) << cp;
  }
}

TEST_F(ReconnectTest, WithoutReconnectAPortNotThereEndsTheStart) {
  Unplugged();
  Start("");
  EXPECT_THAT(host().toolkit.messages, ElementsAre(HasSubstr("COM3")));
  EXPECT_EQ(host().toolkit.exitStatus, 1);
}

TEST_F(ReconnectTest, OverlaysHiddenByFiftyStayHiddenWhileHeld) {
  Start();
  host().Receive("50");
  host().HangUp();
  EXPECT_FALSE(host().frmMain.shown || host().frmTwo.shown);
  EXPECT_TRUE(HeldVisibly());
}

TEST_F(ReconnectTest, CodesThatCameBeforeTheHangUpStillAct) {
  Start();
  host().HangUp("20");
  EXPECT_THAT(host().pointer.clicks, ElementsAre(Point{200, 210}));
  EXPECT_TRUE(HeldVisibly());
}

TEST_F(ReconnectTest, ClicksWhileDownSendNothingThenOrLater) {
  Start();
  host().HangUp();
  host().Click(host().frmMain);
  host().Click(host().frmTwo);
  EXPECT_EQ(host().MSComm1.sent, "some data");
  PlugIn();
  ASSERT_TRUE(host().Tick(host().Timer4));
  EXPECT_EQ(host().MSComm1.sent, "some datasome data");
  EXPECT_THAT(host().toolkit.messages, IsEmpty());
  host().Click(host().frmMain);
  EXPECT_EQ(host().MSComm1.sent, "some datasome data101");
}

TEST_F(ReconnectTest, AFailedWriteIsALostLineNotTheClosedPortBox) {
  Start();
  host().MSComm1.lineGone = true;
  host().Click(host().frmTwo);
  EXPECT_THAT(host().toolkit.messages, IsEmpty());
  EXPECT_FALSE(host().toolkit.exitStatus);
  EXPECT_TRUE(HeldVisibly());
  EXPECT_TRUE(host().Timer4.Enabled());
}

TEST_F(ReconnectTest, TriesEachTickUntilThePortOpensThenGreetsOnceAndActsAgain) {
  Start();
  host().HangUp();
  Unplugged();
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(host().Tick(host().Timer4));
  }
  EXPECT_TRUE(HeldVisibly());
  EXPECT_THAT(host().toolkit.notices, SizeIs(1));  // a failed try shows nothing
  EXPECT_THAT(host().toolkit.messages, IsEmpty());

  PlugIn();
  host().Arrive("10");  // waiting before the greeting: said to no one
  host().log.clear();
  ASSERT_TRUE(host().Tick(host().Timer4));
  EXPECT_THAT(host().log, ElementsAre("MSComm1.Open(COM3)", "MSComm1.TakeInput",
                                      "MSComm1.Write(some data)", "Timer4.Enabled(0)",
                                      "frmMain.Held(0)", "frmMain.Opacity(1)", "frmTwo.Held(0)",
                                      "frmTwo.Opacity(1)", "Notice(The line on COM3 is back.)"));
  EXPECT_THAT(host().pointer.clicks, IsEmpty());
  EXPECT_FALSE(host().Timer4.Enabled());
  EXPECT_FALSE(host().frmMain.held || host().frmTwo.held);

  host().Receive("30");
  EXPECT_THAT(host().pointer.clicks, ElementsAre(Point{0, 0}));
}

TEST_F(ReconnectTest, AlignmentModeIsHeldInItsOwnColourAndReturnsToAlignment) {
  Start("RECONNECT:1\nVERSION:101\n");
  EXPECT_FALSE(host().frmMain.held);
  host().HangUp();
  EXPECT_TRUE(HeldVisibly(220));
  PlugIn();
  host().Tick(host().Timer4);
  EXPECT_FALSE(host().frmMain.held || host().frmTwo.held);
  EXPECT_EQ(host().frmMain.alpha, 220);
  EXPECT_EQ(host().frmTwo.alpha, 220);
}

// A screen change places the overlays anew: the operator must still see the line down.
TEST_F(ReconnectTest, AScreenChangeWhileHeldKeepsThemHeldAndOnceBackSeeThrough) {
  Start();
  host().HangUp();
  host().ChangeScreen();
  EXPECT_TRUE(HeldVisibly());
  EXPECT_EQ(host().frmTwo.place, (TwipsRect{950, 3000, 1300, 460}));
  PlugIn();
  ASSERT_TRUE(host().Tick(host().Timer4));
  host().ChangeScreen();
  EXPECT_FALSE(host().frmMain.held || host().frmTwo.held);
  EXPECT_EQ(host().frmMain.alpha, 1);
  EXPECT_EQ(host().frmTwo.alpha, 1);
}

TEST_F(ReconnectTest, ACodeBegunOnTheLostLineIsNotCompletedByTheNextOne) {
  Start();
  host().HangUp("1");
  PlugIn();
  host().Tick(host().Timer4);
  host().Receive("0");
  EXPECT_THAT(host().pointer.clicks, IsEmpty());
}

TEST_F(ReconnectTest, AGreetingThatFailsAtStartUpHoldsAtOnce) {
  host().MSComm1.lineGone = true;
  Start();
  EXPECT_TRUE(HeldVisibly());
  EXPECT_TRUE(host().Timer4.Enabled());
  EXPECT_THAT(host().toolkit.messages, IsEmpty());
}

TEST_F(ReconnectTest, AGreetingThatFailsOnReturnKeepsHoldingAndTrying) {
  Start();
  host().HangUp();
  host().MSComm1.lineGone = true;  // opens, then takes nothing
  ASSERT_TRUE(host().Tick(host().Timer4));
  EXPECT_TRUE(HeldVisibly());
  EXPECT_TRUE(host().Timer4.Enabled());
  host().MSComm1.lineGone = false;
  ASSERT_TRUE(host().Tick(host().Timer4));
  EXPECT_FALSE(host().frmMain.held);
}

// Without RECONNECT:1 and AUTOCONN:1 a lost line ends the program as it always has.
TEST_F(ReconnectTest, OtherwiseAClickOnALostLineEndsWithTheClosedPortBox) {
  for (const std::string_view extra :
       {"", "RECONNECT:0\n", "RECONNECT:2\n", "RECONNECT:1\nAUTOCONN:0\n"}) {
    testing::Rig fresh;
    dir.Write("tessora.ini", std::string(kSettings) + std::string(extra));
    fresh.handlers.Start();
    fresh.host.MSComm1.open = false;
    fresh.host.Receive("");
    EXPECT_FALSE(fresh.host.Timer4.Enabled()) << extra;
    fresh.host.Click(fresh.host.frmMain);
    EXPECT_THAT(fresh.host.toolkit.messages, ElementsAre(kPortClosed1)) << extra;
    EXPECT_EQ(fresh.host.toolkit.exitStatus, 1) << extra;
    EXPECT_FALSE(fresh.host.frmMain.held) << extra;
  }
}

// A line that cannot watch its device's removal says so each time it opens, at the
// start and when it is back; a line without a caveat says nothing more.
TEST_F(ReconnectTest, ALineCaveatIsANoticeEachTimeItOpens) {
  host().MSComm1.caveat = "its device's removal is not watched";
  dir.Write("tessora.ini", std::string(kSettings) + "RECONNECT:1\n");
  rig.handlers.Start();
  const auto said = [this] {
    return std::ranges::count(host().toolkit.notices,
                              "The line on COM3: its device's removal is not watched.");
  };
  EXPECT_EQ(said(), 1);
  host().HangUp();
  PlugIn();
  host().Tick(host().Timer4);
  ASSERT_FALSE(rig.program.lineDown);
  EXPECT_EQ(said(), 2);
  host().MSComm1.caveat.clear();
  host().HangUp();
  PlugIn();
  host().Tick(host().Timer4);
  EXPECT_EQ(said(), 2);
}

}  // namespace
}  // namespace quorvex
