#include "relay/relay.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "rig.h"

namespace quorvex {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class RelayTest : public ::testing::Test {
 protected:
  RelayTest() { rig.host.MSComm1.open = true; }
  testing::Rig rig;
};

TEST_F(RelayTest, FrmMainClickSendsItsCodeAlone) {
  const std::size_t mark = rig.host.log.size();
  rig.host.Click(rig.host.frmMain);
  EXPECT_THAT(rig.LogFrom(mark), ElementsAre("MSComm1.Write(101)"));
}

TEST_F(RelayTest, FrmTwoClickSendsItsCodeOnceAClick) {
  rig.host.Click(rig.host.frmTwo);
  EXPECT_EQ(rig.host.MSComm1.sent, "202");
  rig.host.Click(rig.host.frmTwo);
  EXPECT_EQ(rig.host.MSComm1.sent, "202202");
}

TEST_F(RelayTest, ClosedPortShowsItsMessageSendsNothingAndEnds) {
  const std::pair<bool, std::string_view> cases[] = {{true, "Port is closed."},
                                                     {false, "Port is closed. Button 2"}};
  for (const auto& [first, message] : cases) {
    testing::Rig closed;
    closed.host.Click(first ? closed.host.frmMain : closed.host.frmTwo);
    EXPECT_THAT(closed.host.log, ElementsAre("MsgBox(" + std::string(message) + ")", "End(1)"));
    EXPECT_EQ(closed.host.toolkit.exitStatus, 1);
    closed.host.Click(closed.host.frmMain);
    EXPECT_EQ(closed.host.log.size(), 2u) << "nothing after the end";
  }
}

TEST_F(RelayTest, ClosedPortAfterAHangUpEndsAtTheNextClick) {
  rig.host.Click(rig.host.frmMain);
  rig.host.MSComm1.open = false;
  rig.host.Click(rig.host.frmMain);
  EXPECT_EQ(rig.host.MSComm1.sent, "101");
  EXPECT_THAT(rig.host.toolkit.messages, ElementsAre("Port is closed."));
}

TEST_F(RelayTest, WhileTheClosedPortMessageIsOpenNothingActsButAnOverlayGoesBack) {
  rig.program.Settings.PL = 900;
  rig.program.Settings.PT = 1500;
  rig.program.Settings.STPX = 9;
  rig.host.Receive("40");
  rig.host.Receive("10");  // frmMain steps aside
  const std::size_t clicksBefore = rig.host.pointer.clicks.size();
  rig.host.MSComm1.open = false;
  rig.host.whileMessageBoxOpen.push_back([&] {
    rig.host.Receive("20");
    rig.host.Receive("50");
    rig.host.Click(rig.host.frmMain);
    rig.host.Click(rig.host.frmTwo);
    rig.host.Tick(rig.host.Timer1);
  });
  rig.host.Click(rig.host.frmMain);
  EXPECT_EQ(rig.host.pointer.clicks.size(), clicksBefore) << "no click after the message";
  EXPECT_THAT(rig.host.toolkit.messages, ElementsAre("Port is closed."));
  EXPECT_EQ(rig.host.MSComm1.sent, "");
  EXPECT_TRUE(rig.host.frmMain.shown && rig.host.frmTwo.shown) << "50 not acted on";
  EXPECT_EQ(rig.host.frmMain.place.top, 1500) << "the stepped-aside overlay is back";
  EXPECT_FALSE(rig.host.Timer1.Enabled());
  EXPECT_EQ(rig.host.toolkit.exitStatus, 1);
}

TEST_F(RelayTest, ACodeTheLineDoesNotTakeShowsTheClosedPortMessageAtThatClick) {
  const std::pair<bool, std::string_view> cases[] = {{true, "Port is closed."},
                                                     {false, "Port is closed. Button 2"}};
  for (const auto& [first, message] : cases) {
    testing::Rig rig;
    rig.host.MSComm1.open = true;
    rig.host.MSComm1.lineGone = true;
    rig.host.Click(first ? rig.host.frmMain : rig.host.frmTwo);
    EXPECT_THAT(rig.host.toolkit.messages, ElementsAre(message));
    EXPECT_EQ(rig.host.toolkit.exitStatus, 1);
    EXPECT_EQ(rig.host.MSComm1.sent, "");
  }
}

}  // namespace
}  // namespace quorvex
