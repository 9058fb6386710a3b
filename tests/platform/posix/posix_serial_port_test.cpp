// The serial line against a real pseudo-terminal: the test holds the far end.
#include "platform/posix/posix_serial_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "common/failure.h"
#include "platform/posix/posix_fd.h"

namespace quorvex::posix {
namespace {

class PseudoTerminal : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(master_) << "no pseudo-terminal";
    ASSERT_EQ(::grantpt(master_.get()), 0);
    ASSERT_EQ(::unlockpt(master_.get()), 0);
    path_ = ::ptsname(master_.get());
  }

  Port Slave() const { return PortFromSetting(path_, PortSystem::kPosix); }

  // One turn of a poll loop over the line alone: true when its event would be raised.
  static bool Turn(PosixSerialLine& line, int timeoutMs = 1000) {
    pollfd fd{.fd = line.PollFd(), .events = line.PollEvents(), .revents = 0};
    return ::poll(&fd, 1, timeoutMs) > 0 && line.Polled(fd.revents);
  }

  // The far end's writes reach the line through the terminal's buffer a moment later;
  // a poll may wake for the first before the second is there. A moment, however
  // loaded the machine: only bytes that never come take the ten seconds.
  static bool Arrived(const PosixSerialLine& line, int bytes) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      int waiting = 0;
      if (::ioctl(line.PollFd(), FIONREAD, &waiting) == 0 && waiting >= bytes) {
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }

  std::string ReadFar() {
    char buffer[64];
    const ssize_t count = ::read(master_.get(), buffer, sizeof buffer);
    return count > 0 ? std::string(buffer, static_cast<std::size_t>(count)) : "";
  }

  void WriteFar(std::string_view bytes) {
    ASSERT_EQ(::write(master_.get(), bytes.data(), bytes.size()),
              static_cast<ssize_t>(bytes.size()));
  }

  UniqueFd master_{::posix_openpt(O_RDWR | O_NOCTTY)};
  std::string path_;
};

TEST_F(PseudoTerminal, WritesTheBytesAloneAndTakesEverythingThatCameInOneRead) {
  PosixSerialLine line;
  line.Open(Slave());
  EXPECT_TRUE(line.Write("some data"));
  EXPECT_EQ(ReadFar(), "some data");
  WriteFar("10");
  WriteFar("20\r\n");
  ASSERT_TRUE(Arrived(line, 6));
  ASSERT_TRUE(Turn(line));
  EXPECT_EQ(line.TakeInput(), "1020\r\n");
  EXPECT_EQ(line.TakeInput(), "");
  EXPECT_TRUE(line.IsOpen());
}

TEST_F(PseudoTerminal, AWriteOnALineGoneReportsItAndClosesThePort) {
  PosixSerialLine line;
  line.Open(Slave());
  master_.reset();
  EXPECT_FALSE(line.Write("101"));
  EXPECT_FALSE(line.IsOpen());
  EXPECT_EQ(line.LostReason(), "Input/output error");
  EXPECT_FALSE(line.Write("202")) << "nothing is sent on a closed port";
}

TEST_F(PseudoTerminal, AWriteHeldBackByTheLineGoesOutWhenItMovesAgain) {
  PosixSerialLine line;
  line.Open(Slave());
  ASSERT_EQ(::tcflow(line.PollFd(), TCOOFF), 0);
  EXPECT_TRUE(line.Write("101"));
  EXPECT_NE(line.PollEvents() & POLLOUT, 0) << "the loop watches for room";
  ASSERT_EQ(::tcflow(line.PollFd(), TCOON), 0);
  EXPECT_FALSE(Turn(line)) << "room is no input";
  EXPECT_EQ(ReadFar(), "101");
  EXPECT_EQ(line.PollEvents() & POLLOUT, 0);
}

TEST_F(PseudoTerminal, AHangUpIsOneEventThatClosesThePortAndStopsPolling) {
  PosixSerialLine line;
  line.Open(Slave());
  master_.reset();
  ASSERT_TRUE(Turn(line));
  EXPECT_EQ(line.TakeInput(), "");
  EXPECT_FALSE(line.IsOpen());
  EXPECT_EQ(line.PollFd(), -1);
  EXPECT_EQ(line.TakeInput(), "");
  EXPECT_FALSE(line.LostReason().empty());
}

TEST_F(PseudoTerminal, OpensAgainOnANewDeviceBehindTheSameLinkAndForgetsTheLoss) {
  const std::string link = "/tmp/quorvex-line-" + std::to_string(::getpid());
  ASSERT_EQ(::symlink(path_.c_str(), link.c_str()), 0);
  const Port port = PortFromSetting(link, PortSystem::kPosix);
  PosixSerialLine line;
  line.Open(port);
  master_.reset();
  ASSERT_TRUE(Turn(line));
  line.TakeInput();
  ASSERT_FALSE(line.IsOpen());

  UniqueFd next(::posix_openpt(O_RDWR | O_NOCTTY));
  ASSERT_TRUE(next && ::grantpt(next.get()) == 0 && ::unlockpt(next.get()) == 0);
  ::unlink(link.c_str());
  ASSERT_EQ(::symlink(::ptsname(next.get()), link.c_str()), 0);
  line.Open(port);
  ::unlink(link.c_str());
  EXPECT_TRUE(line.IsOpen());
  EXPECT_EQ(line.LostReason(), "");
  EXPECT_TRUE(line.Write("some data"));
  char buffer[16] = {};
  EXPECT_EQ(::read(next.get(), buffer, sizeof buffer), 9);
}

// Parity and character size are left out: pseudo-terminals keep neither.
TEST_F(PseudoTerminal, AppliesTheLineSettingsRawWithoutFlowControl) {
  struct Case {
    LineSettings line;
    speed_t speed;
    tcflag_t stop;
  };
  for (const Case& c : {Case{kLine, B9600, 0}, Case{{19200, 'n', 8, 2}, B19200, CSTOPB},
                        Case{{1200, 'n', 8, 1}, B1200, 0}}) {
    SCOPED_TRACE(c.line.baud);
    SerialPort port(Slave(), c.line);
    termios tio{};
    ASSERT_EQ(::tcgetattr(port.fd(), &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), c.speed);
    EXPECT_EQ(tio.c_cflag & CSTOPB, c.stop);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
  }
}

TEST_F(PseudoTerminal, ASecondOpenerIsRefusedAsInUse) {
  PosixSerialLine first, second;
  first.Open(Slave());
  try {
    second.Open(Slave());
    FAIL() << "opened twice";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), failure::kPortInUse);
    EXPECT_EQ(failure.description(), "The serial port " + path_ +
                                         " is in use by another program: Device or resource "
                                         "busy.");
  }
  first.Close();
  second.Open(Slave());
  EXPECT_TRUE(second.IsOpen());
}

// A writer faster than the reader must not keep it reading: each read of the device
// takes a bounded amount, and nothing is lost for it.
TEST_F(PseudoTerminal, ReadsABoundedAmountATurnWhileAWriterFloods) {
  PosixSerialLine line;
  line.Open(Slave());
  constexpr std::size_t kTotal = 1 << 20;
  std::thread writer([this] {
    const std::string chunk(65536, 'x');
    for (std::size_t sent = 0; sent < kTotal;) {
      const ssize_t count =
          ::write(master_.get(), chunk.data(), std::min(chunk.size(), kTotal - sent));
      if (count > 0) {
        sent += static_cast<std::size_t>(count);
      }
    }
  });
  std::size_t received = 0;
  std::size_t largest = 0;
  while (received < kTotal && line.IsOpen()) {
    if (Turn(line, 10000)) {
      const std::size_t got = line.TakeInput().size();
      largest = std::max(largest, got);
      received += got;
    }
  }
  writer.join();
  EXPECT_EQ(received, kTotal);
  EXPECT_LE(largest, PosixSerialLine::kReadPerTurn);
}

TEST(PosixSerialLineFailures, NameAPathAsAMessageCanShowIt) {
  PosixSerialLine line;
  try {
    line.Open(PortFromSetting("/dev/\x1b]2;x\x07" + std::string(100, 'y'), PortSystem::kPosix));
    FAIL() << "opened";
  } catch (const Failure& failure) {
    const std::string what = failure.what();
    EXPECT_NE(what.find("serial port /dev/?]2;x?yyy"), std::string::npos) << what;
    EXPECT_NE(what.find("y...: "), std::string::npos) << what;
  }
}

TEST(PosixSerialLineFailures, NameThePortAndTheSystemsReason) {
  struct Case {
    std::string_view port;
    std::string_view text;
  };
  for (const Case& c : {
           Case{"/dev/no-such-tty",
                "There is no serial port /dev/no-such-tty: No such file or directory."},
           Case{"/dev/null", "/dev/null is not a serial port: Inappropriate ioctl for device."},
           Case{"/", "There is no serial port /: Is a directory."},
       }) {
    SCOPED_TRACE(c.port);
    PosixSerialLine line;
    try {
      line.Open(PortFromSetting(c.port, PortSystem::kPosix));
      FAIL() << "opened";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), failure::kInvalidPort);
      EXPECT_EQ(failure.description(), c.text);
      // A port not there names those that are, for a name mistyped; then what to do.
      EXPECT_TRUE(failure.hint().ends_with("Check CP in tessora.ini.")) << failure.hint();
      EXPECT_EQ(failure.hint().find("present now") != std::string::npos,
                c.text.starts_with("There is no"))
          << failure.hint();
    }
    EXPECT_FALSE(line.IsOpen());
  }
}

TEST_F(PseudoTerminal, ASpeedTheDeviceCannotTakeFailsAsABadProperty) {
  try {
    SerialPort port(Slave(), {12345, 'n', 8, 1});
    FAIL() << "opened";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), failure::kInvalidProperty);
    EXPECT_EQ(failure.description(), "The serial port " + path_ + " cannot take 12345 baud.");
  }
}

}  // namespace
}  // namespace quorvex::posix
