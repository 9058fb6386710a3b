#include "app/line_tokens.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "rig.h"

namespace quorvex {
namespace {

using ::testing::IsEmpty;

constexpr std::string_view kSettings =
    "AUTOCONN:1\nCP:3\nPL:900\nPT:1500\nFW:1200\nFH:450\nPL2:950\nPT2:3000\nFW2:1300\nFH2:460\n"
    "STRX:100\nSTRY:110\nSTPX:200\nSTPY:210\nSTRX2:300\nSTRY2:310\n";

class LineTokensTest : public ::testing::Test {
 protected:
  void Start(std::string_view extra) {
    dir.Write("tessora.ini", std::string(kSettings) + std::string(extra));
    rig.handlers.Start();
    host().MSComm1.sent.clear();
  }
  // A code and everything its click does, time passing as it waits.
  void Code(std::string_view code, int waitedMs = 0) {
    host().Receive(code);
    host().toolkit.now += std::chrono::milliseconds(waitedMs);
    host().Land();
  }
  fake::FakeHost& host() { return rig.host; }

  testing::ScopedWorkingDirectory dir;
  testing::Rig rig;
};

// One outcome for each click code acted on, in order, once its click is over.
TEST_F(LineTokensTest, EachClickCodesOutcomeFollowsIt) {
  Start("REPORT:1\n");
  Code("10");
  Code("2030");
  EXPECT_EQ(host().MSComm1.sent, "112131");
  host().MSComm1.sent.clear();

  host().pointer.busy = true;
  Code("10", 1000);
  host().pointer.busy = false;
  host().pointer.cover = "Viewer";  // not asked without WINDOW
  host().pointer.refusesInput = true;
  Code("20", 1000);
  host().pointer.refusesInput = false;
  host().pointer.takesRelease = false;
  host().Receive("30");
  EXPECT_EQ(host().MSComm1.sent, "1929") << "nothing before the click is over";
  host().toolkit.now += std::chrono::milliseconds(1000);
  host().Land();
  EXPECT_EQ(host().MSComm1.sent, "192939");
  EXPECT_THAT(host().pointer.clicks, ::testing::SizeIs(4));
}

TEST_F(LineTokensTest, ACodeWithNoWindowToPressIsNotMade) {
  Start("REPORT:1\nWINDOW:Demo\n");
  Code("30");
  EXPECT_EQ(host().MSComm1.sent, "39");
  host().MoveWindow(Point{0, 0});
  host().pointer.cover = "Viewer";
  Code("10", 1000);
  EXPECT_EQ(host().MSComm1.sent, "3919");
  EXPECT_THAT(host().pointer.clicks, IsEmpty());
}

// Nothing new without the key, and nothing while a failure's box is up: a dropped
// click has no outcome to tell.
TEST_F(LineTokensTest, NoOutcomeWithoutReportOrForAClickAFailureDropped) {
  Start("");
  Code("1020");
  EXPECT_EQ(host().MSComm1.sent, "");

  testing::ScopedWorkingDirectory other;
  other.Write("tessora.ini", std::string(kSettings) + "REPORT:1\n");
  testing::Rig failing;
  failing.handlers.Start();
  failing.host.MSComm1.sent.clear();
  failing.host.pointer.busy = true;
  failing.host.Receive("10");
  failing.host.MSComm1.lineGone = true;
  failing.host.Click(failing.host.frmTwo);
  EXPECT_EQ(failing.host.toolkit.exitStatus, 1);
  EXPECT_EQ(failing.host.MSComm1.sent, "");
}

// "00" each interval while the line is up: none while it is held for, again once it
// is back; no timer at all without the key.
TEST_F(LineTokensTest, AHeartbeatEachIntervalWhileTheLineIsUp) {
  Start("HEARTBEAT:250\nRECONNECT:1\n");
  EXPECT_EQ(host().Timer5.interval, std::chrono::milliseconds(250));
  EXPECT_TRUE(host().Tick(host().Timer5));
  EXPECT_TRUE(host().Tick(host().Timer5));
  EXPECT_EQ(host().MSComm1.sent, "0000");
  host().HangUp();
  EXPECT_TRUE(host().Tick(host().Timer5));
  EXPECT_EQ(host().MSComm1.sent, "0000");
  host().Tick(host().Timer4);
  EXPECT_TRUE(host().Tick(host().Timer5));
  EXPECT_EQ(host().MSComm1.sent, "0000some data00");

  testing::ScopedWorkingDirectory other;
  other.Write("tessora.ini", std::string(kSettings));
  testing::Rig quiet;
  quiet.handlers.Start();
  EXPECT_FALSE(quiet.host.Timer5.Enabled());
}

}  // namespace
}  // namespace quorvex
