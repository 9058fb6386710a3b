#include "common/port.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace quorvex {
namespace {

constexpr PortSystem kBoth[] = {PortSystem::kWindows, PortSystem::kPosix};

Failure FailureOf(auto&& make) {
  try {
    make();
  } catch (const Failure& failure) {
    return failure;
  }
  ADD_FAILURE() << "no failure";
  return Failure(0, "");
}

TEST(PortFromSetting, NumbersNameComPortsInEachSystemsWay) {
  EXPECT_EQ(PortFromSetting(" 3 ", PortSystem::kWindows),
            (Port{.number = 3, .device = "\\\\.\\COM3", .name = "COM3"}));
  EXPECT_EQ(PortFromSetting("12", PortSystem::kWindows).device, "\\\\.\\COM12");
  EXPECT_EQ(PortFromSetting("3", PortSystem::kPosix),
            (Port{.number = 3, .device = "/dev/ttyS2", .name = "COM3 (/dev/ttyS2)"}));
  EXPECT_EQ(PortFromSetting("2.5", PortSystem::kPosix).number, 2) << "rounded as every value";
}

TEST(PortFromSetting, DevicePathsOnlyWhereTheSystemHasThem) {
  EXPECT_EQ(PortFromSetting(" /dev/ttyUSB0\t", PortSystem::kPosix),
            (Port{.number = 0, .device = "/dev/ttyUSB0", .name = "/dev/ttyUSB0"}));
  EXPECT_EQ(FailureOf([] { PortFromSetting("/dev/ttyUSB0", PortSystem::kWindows); }).number(),
            failure::kTypeMismatch);
  const Port odd = PortFromSetting("/dev/tty\x1b[2J", PortSystem::kPosix);
  EXPECT_EQ(odd.device, "/dev/tty\x1b[2J") << "opened as written";
  EXPECT_EQ(odd.name, "/dev/tty?[2J") << "shown as any text from outside";
}

TEST(PortFromSetting, KeepsItsErrorNumbersAndWords) {
  for (const PortSystem system : kBoth) {
    const Failure com = FailureOf([&] { PortFromSetting("COM3", system); });
    EXPECT_EQ(com.number(), failure::kTypeMismatch);
    EXPECT_STREQ(com.what(), "The port setting CP:COM3 is not a port number (write 3).");
    EXPECT_EQ(FailureOf([&] { PortFromSetting("", system); }).number(), failure::kTypeMismatch);
    EXPECT_EQ(FailureOf([&] { PortFromSetting("70000", system); }).number(), failure::kOverflow);
    const Failure zero = FailureOf([&] { PortFromSetting("0", system); });
    EXPECT_EQ(zero.number(), failure::kInvalidPort);
    EXPECT_EQ(zero.description(), "There is no serial port COM0: port numbers start at 1.");
    EXPECT_EQ(zero.hint(), "Check CP in tessora.ini.");
  }
}

// The setting the operator most likely meant, where it can be told.
TEST(PortFromSetting, SaysWhatToWriteInstead) {
  const std::pair<std::string_view, std::string_view> posix[] = {
      {"ttyUSB0", "(write /dev/ttyUSB0)"},
      {"com12", "(write 12)"},
      {"COM0", "(write 3 for COM3)"},
      {"ttyS0 1", "(write 3 for COM3)"},
      {"usb", "(write 3 for COM3)"}};
  for (const auto& [cp, advice] : posix) {
    const std::string what = FailureOf([&] { PortFromSetting(cp, PortSystem::kPosix); }).what();
    EXPECT_TRUE(what.ends_with(std::string(advice) + ".")) << what;
  }
  const std::string windows =
      FailureOf([] { PortFromSetting("ttyUSB0", PortSystem::kWindows); }).what();
  EXPECT_TRUE(windows.ends_with("(write 3 for COM3).")) << windows;
}

TEST(PortFromArgument, TakesComNamesBesideCpsRule) {
  EXPECT_EQ(PortFromArgument("com12", PortSystem::kWindows).name, "COM12");
  EXPECT_EQ(PortFromArgument("COM3", PortSystem::kPosix).device, "/dev/ttyS2");
  EXPECT_EQ(PortFromArgument("/dev/pts/4", PortSystem::kPosix).device, "/dev/pts/4");
  for (const std::string_view bad : {"COM", "port3", "/dev/ttyS0"}) {
    const Failure failure = FailureOf([&] { PortFromArgument(bad, PortSystem::kWindows); });
    EXPECT_EQ(failure.number(), failure::kInvalidPort) << bad;
    EXPECT_THAT(failure.description(),
                ::testing::EndsWith(std::string(bad) + "\" is not a port: write 3 or COM3 for "
                                                       "COM3."));
  }
  EXPECT_EQ(FailureOf([] { PortFromArgument("COM0", PortSystem::kPosix); }).number(),
            failure::kInvalidPort);
}

// One wording on every system; the reason and the hint stay fields of their own.
TEST(PortFailure, NamesThePortThenTheSystemsReasonThenTheHint) {
  const Port com3 = NumberedPort(3, PortSystem::kWindows);
  const Port usb = PortFromSetting("/dev/ttyUSB0", PortSystem::kPosix);
  struct Case {
    PortProblem problem;
    const Port& port;
    int number;
    std::string_view text;
  };
  for (const Case& c : {
           Case{PortProblem::kMissing, com3, failure::kInvalidPort,
                "There is no serial port COM3: the reason. Check CP in tessora.ini."},
           Case{PortProblem::kNotSerial, usb, failure::kInvalidPort,
                "/dev/ttyUSB0 is not a serial port: the reason. Check CP in tessora.ini."},
           Case{PortProblem::kInUse, usb, failure::kPortInUse,
                "The serial port /dev/ttyUSB0 is in use by another program: the reason."},
           Case{PortProblem::kCannotOpen, com3, failure::kPortUnavailable,
                "The serial port COM3 cannot be opened: the reason."},
           Case{PortProblem::kCannotSetUp, com3, failure::kPortUnavailable,
                "The serial port COM3 cannot be set up: the reason."},
           Case{PortProblem::kCannotTakeLine, usb, failure::kInvalidProperty,
                "The serial port /dev/ttyUSB0 cannot take the reason."},
       }) {
    const Failure failure = PortFailure(c.problem, c.port, "the reason");
    EXPECT_EQ(failure.number(), c.number) << c.text;
    EXPECT_EQ(failure.what(), c.text);
    EXPECT_EQ(failure.reason(), "the reason");
  }
  const Failure denied = PortFailure(PortProblem::kCannotOpen, usb, "Permission denied", "Ask.");
  EXPECT_EQ(denied.description(),
            "The serial port /dev/ttyUSB0 cannot be opened: Permission "
            "denied.");
  EXPECT_EQ(denied.hint(), "Ask.");
  EXPECT_EQ(denied.Message(), "Error 8010: " + denied.description() + " Ask.");
}

}  // namespace
}  // namespace quorvex
