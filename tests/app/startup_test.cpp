#include "app/startup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "common/failure.h"
#include "rig.h"

namespace quorvex {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

constexpr std::string_view kGeometry =
    "PL:900\nPT:1500\nFW:1200\nFH:450\nPL2:950\nPT2:3000\nFW2:1300\nFH2:460\n";

class StartupTest : public ::testing::Test {
 protected:
  void Start(std::string_view settings) {
    dir.Write("tessora.ini", settings);
    rig.handlers.Start();
  }
  bool Touched(std::string_view prefix) const {
    return std::ranges::any_of(rig.host.log, [&](const auto& e) { return e.starts_with(prefix); });
  }

  testing::ScopedWorkingDirectory dir;
  testing::Rig rig;
};

TEST_F(StartupTest, PlacesOpensAndShowsInOrder) {
  Start(std::string(kGeometry) + "AUTOCONN:1\nCP:3\n");
  std::vector<std::string> done;
  std::ranges::copy_if(rig.host.log, std::back_inserter(done),
                       [](const auto& e) { return !e.starts_with("Notice("); });
  EXPECT_THAT(
      done, ElementsAre("frmMain.Place(900,1500,1200,450)", "frmMain.KeepOnTop",
                        "frmMain.Opacity(1)", "MSComm1.Open(COM3)", "MSComm1.Write(some data)",
                        "MSComm1.TakeInput", "frmTwo.Place(950,3000,1300,460)", "frmTwo.KeepOnTop",
                        "frmTwo.Opacity(1)", "frmTwo.Show(1)", "frmMain.Show(1)"));
  EXPECT_EQ(rig.host.MSComm1.sent, "some data");
}

TEST_F(StartupTest, SaysWhatItStartsWithInOneLine) {
  Start(std::string(kGeometry) + "VERSION:101\nAUTOCONN:1\nCP:3\n");
  ASSERT_EQ(rig.host.toolkit.notices.size(), 1u);
  const std::string& line = rig.host.toolkit.notices[0];
  EXPECT_THAT(line, HasSubstr("tessora.ini, frmMain at 60,100 80x30, frmTwo at 63,200 87x31 "
                              "(pixels), port \"3\", alignment mode: overlays drawn visibly "
                              "(VERSION:101)"));
}

// With WINDOW the places are the window's, and the line says whose.
TEST_F(StartupTest, TheStartLineNamesTheFollowedWindow) {
  Start(std::string(kGeometry) + "WINDOW: Line Control \n");
  ASSERT_FALSE(rig.host.toolkit.notices.empty());
  EXPECT_THAT(rig.host.toolkit.notices[0],
              HasSubstr("87x31 (pixels from the client area of the window whose title holds "
                        "\"Line Control\"), port none"));
}

TEST_F(StartupTest, AlignmentVersionMakesBothOverlaysVisibleAndBothAreTopmost) {
  const std::pair<std::string_view, int> cases[] = {
      {"VERSION:101", 220}, {"VERSION:100", 1}, {"VERSION:0", 1}, {"", 1}};
  for (const auto& [line, alpha] : cases) {
    testing::Rig fresh;
    dir.Write("tessora.ini", line);
    fresh.handlers.Start();
    EXPECT_EQ(fresh.host.frmMain.alpha, alpha) << line;
    EXPECT_EQ(fresh.host.frmTwo.alpha, alpha) << line;
    EXPECT_TRUE(fresh.host.frmMain.onTop && fresh.host.frmTwo.onTop) << line;
  }
}

TEST_F(StartupTest, PortStaysUntouchedUnlessAutoconnIsOne) {
  for (const std::string_view autoconn : {"AUTOCONN:0\n", "AUTOCONN:2\n", ""}) {
    testing::Rig fresh;
    dir.Write("tessora.ini", std::string(autoconn) + "CP:not a port\n");
    fresh.handlers.Start();
    const bool touched =
        std::ranges::any_of(fresh.host.log, [](const auto& e) { return e.starts_with("MSComm1"); });
    EXPECT_FALSE(touched) << autoconn;
    EXPECT_THAT(fresh.host.toolkit.messages, IsEmpty()) << autoconn;
  }
}

TEST_F(StartupTest, DropsWhatWaitsWhenThePortOpens) {
  rig.host.Arrive("10");
  Start("AUTOCONN:1\nCP:1\nSTRX:5\nSTRY:5\n");
  EXPECT_THAT(rig.host.pointer.clicks, IsEmpty());
  EXPECT_EQ(rig.host.MSComm1.waiting, "");
}

TEST_F(StartupTest, TakesADevicePathWhereThePlatformNamesPortsSo) {
  rig.host.MSComm1.ports = PortSystem::kPosix;
  Start("AUTOCONN:1\nCP:/dev/ttyUSB0 \n");
  EXPECT_TRUE(Touched("MSComm1.Open(/dev/ttyUSB0)"));
}

TEST_F(StartupTest, MissingFileEndsBeforeAnythingIsPlaced) {
  rig.handlers.Start();
  EXPECT_THAT(rig.host.log,
              ElementsAre(StartsWith("MsgBox(Error 53: The settings file "), "End(1)"));
  EXPECT_THAT(rig.host.toolkit.messages[0], HasSubstr("tessora.ini cannot be read: "));
  EXPECT_THAT(rig.host.toolkit.messages[0], HasSubstr(" An example "));
}

TEST_F(StartupTest, BadValueEndsBeforeAnythingIsPlaced) {
  Start("AUTOCONN:1\nCP:1\nPL:abc\n");
  EXPECT_THAT(rig.host.log,
              ElementsAre("MsgBox(Error 13: tessora.ini, line 3: the item \"PL:abc\" is not a "
                          "number.)",
                          "End(1)"));
  EXPECT_EQ(rig.host.toolkit.exitStatus, 1);
}

TEST_F(StartupTest, PortFailuresLeaveFrmMainPlacedButNeverShown) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"CP:COM3", "Error 13: The port setting CP:COM3 is not a port number (write 3)."},
      {"CP:", "Error 13: The port setting CP: is not a port number (write 3 for COM3)."},
      {"CP:70000", "Error 6: The port setting CP:70000 is out of range -32768 to 32767."},
      {"CP:4", "Error 8002: Port 4: no such port."},
      {"CP:0",
       "Error 8002: There is no serial port COM0: port numbers start at 1. Check CP in "
       "tessora.ini."},
  };
  for (const auto& [cp, message] : cases) {
    testing::Rig fresh;
    fresh.host.MSComm1.openFailure = Failure(failure::kInvalidPort, "Port 4: no such port.");
    dir.Write("tessora.ini", std::string(kGeometry) + "AUTOCONN:1\n" + std::string(cp));
    fresh.handlers.Start();
    const auto& log = fresh.host.log;
    EXPECT_EQ(log.end()[-2], "MsgBox(" + std::string(message) + ")") << cp;
    EXPECT_EQ(log.back(), "End(1)") << cp;
    EXPECT_EQ(fresh.host.frmMain.place, (TwipsRect{900, 1500, 1200, 450})) << cp;
    const bool shownOrLoaded = std::ranges::any_of(log, [](const auto& e) {
      return e.ends_with("Show(1)") || e.starts_with("frmTwo") || e.starts_with("MSComm1.Write");
    });
    EXPECT_FALSE(shownOrLoaded) << cp;
  }
}

TEST_F(StartupTest, NothingActsOnTheLineOnceAFailureAfterTheGreetingIsShown) {
  rig.host.frmTwo.refusesPlace =
      Failure(failure::kInvalidProperty, "An overlay width is negative.");
  rig.host.whileMessageBoxOpen.push_back([this] {
    rig.host.Receive("40");
    rig.host.Receive("10");
    rig.host.Receive("20");
    rig.host.Click(rig.host.frmMain);
  });
  Start(std::string(kGeometry) + "AUTOCONN:1\nCP:1\nSTRX:5\nSTRY:5\nSTPX:7\nSTPY:7\n");
  EXPECT_THAT(rig.host.toolkit.messages, ElementsAre("Error 380: An overlay width is negative."));
  EXPECT_THAT(rig.host.pointer.clicks, IsEmpty());
  EXPECT_FALSE(rig.host.frmMain.shown || rig.host.frmTwo.shown);
  EXPECT_EQ(rig.host.MSComm1.waiting, "") << "read and dropped, or it would be raised again";
  EXPECT_EQ(rig.host.MSComm1.sent, "some data");
  EXPECT_EQ(rig.host.toolkit.exitStatus, 1);
}

TEST_F(StartupTest, AFailureShowsNoControlBytesWhateverItQuotes) {
  rig.host.MSComm1.openFailure =
      Failure(failure::kInvalidPort, "Serial port /dev/\x1b]2;x\x07\n cannot be opened.");
  Start("AUTOCONN:1\nCP:4\n");
  EXPECT_THAT(rig.host.toolkit.messages,
              ElementsAre("Error 8002: Serial port /dev/?]2;x?? cannot be opened."));
}

TEST_F(StartupTest, NothingRunsAfterTheEnd) {
  rig.handlers.Start();
  const std::size_t mark = rig.host.log.size();
  rig.host.Click(rig.host.frmMain);
  rig.host.Receive("10");
  rig.host.Timer1.Enabled(true);
  rig.host.Tick(rig.host.Timer1);
  EXPECT_THAT(rig.LogFrom(mark), ElementsAre("Timer1.Enabled(1)")) << "only the test's own call";
}

}  // namespace
}  // namespace quorvex
