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
  EXPECT_THAT(rig.LogFrom(mark), ElementsAre("MSComm1.Output=101"));
}

TEST_F(RelayTest, FrmTwoClickIsRelayedOnceAndLeavesTheFieldEmpty) {
  rig.host.Click(rig.host.frmTwo);
  EXPECT_EQ(rig.host.MSComm1.sent, "202");
  EXPECT_EQ(rig.program.txtIncoming.Text(), "");
  rig.host.Click(rig.host.frmTwo);
  EXPECT_EQ(rig.host.MSComm1.sent, "202202");
}

TEST_F(RelayTest, TypingTheRelayTextSendsLikeAClick) {
  rig.program.txtIncoming.Text("2 Clicked");
  EXPECT_EQ(rig.host.MSComm1.sent, "202");
}

TEST_F(RelayTest, NearMissTextsSendNothingAndStay) {
  for (const std::string_view text : {"2 clicked", "2 Clicked ", " 2 Clicked", "2 Clicke", "2"}) {
    rig.program.txtIncoming.Text(std::string(text));
    EXPECT_EQ(rig.program.txtIncoming.Text(), text);
  }
  EXPECT_EQ(rig.host.MSComm1.sent, "");
  rig.host.Click(rig.host.frmTwo);
  EXPECT_EQ(rig.host.MSComm1.sent, "202") << "a click still relays after a near miss";
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

TEST_F(RelayTest, EventsGoOnWhileTheMessageIsOpen) {
  testing::Rig closed;
  closed.program.Settings.STPX = 9;
  closed.host.whileMessageBoxOpen.push_back([&] { closed.host.Receive("20"); });
  closed.host.Click(closed.host.frmMain);
  EXPECT_THAT(closed.host.user32.clicks, ElementsAre(Point{9, 0}));
  EXPECT_EQ(closed.host.toolkit.exitStatus, 1);
}

}  // namespace
}  // namespace quorvex
