// The serial control against a real pseudo-terminal: the test holds the far end.
#include "platform/posix/posix_comm_control.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "platform/failure.h"
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

  void Open(PosixCommControl& comm, std::string_view settings = "9600,n,8,1") {
    comm.CommPort(PortFromSetting(path_, PortSystem::kPosix));
    comm.Settings(settings);
    comm.RThreshold(1);
    comm.SThreshold(1);
    comm.PortOpen(true);
  }

  // One turn of a poll loop over the control alone.
  static void Turn(PosixCommControl& comm, int timeoutMs = 1000) {
    pollfd fd{.fd = comm.PollFd(), .events = comm.PollEvents(), .revents = 0};
    if (::poll(&fd, 1, timeoutMs) > 0) {
      comm.OnReady(fd.revents);
    }
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

TEST_F(PseudoTerminal, OutputWritesTheBytesAloneThenRaisesOneSendEvent) {
  PosixCommControl comm;
  Open(comm);
  comm.Output("some data");
  EXPECT_EQ(ReadFar(), "some data");
  ASSERT_TRUE(comm.TakeEvent());
  EXPECT_EQ(comm.CommEvent(), comm_event::kSend);
  EXPECT_FALSE(comm.HasEvent());
}

TEST_F(PseudoTerminal, InputReturnsEverythingGatheredOnceThenNothing) {
  PosixCommControl comm;
  Open(comm);
  WriteFar("10");
  Turn(comm);
  WriteFar("20\r\n");
  Turn(comm);
  ASSERT_TRUE(comm.TakeEvent());
  EXPECT_EQ(comm.CommEvent(), comm_event::kReceive);
  EXPECT_EQ(comm.Input(), "1020\r\n");
  EXPECT_EQ(comm.Input(), "");
  EXPECT_TRUE(comm.PortOpen());
}

// The loop reads the device; Input only hands over what the loop has read.
TEST_F(PseudoTerminal, InputDoesNotReadTheDeviceItself) {
  PosixCommControl comm;
  Open(comm);
  WriteFar("10");
  pollfd fd{.fd = comm.PollFd(), .events = POLLIN, .revents = 0};
  ASSERT_EQ(::poll(&fd, 1, 1000), 1);
  EXPECT_EQ(comm.Input(), "");
  Turn(comm);
  EXPECT_EQ(comm.Input(), "10");
}

TEST_F(PseudoTerminal, OutputOnALineGoneReportsItAndClosesThePort) {
  PosixCommControl comm;
  Open(comm);
  master_.reset();
  EXPECT_FALSE(comm.Output("101"));
  EXPECT_FALSE(comm.PortOpen());
  EXPECT_FALSE(comm.Output("202")) << "nothing is sent on a closed port";
}

TEST_F(PseudoTerminal, OutputHeldBackByTheLineGoesOutWhenItMovesAgain) {
  PosixCommControl comm;
  Open(comm);
  ASSERT_EQ(::tcflow(comm.PollFd(), TCOOFF), 0);
  EXPECT_TRUE(comm.Output("101"));
  EXPECT_FALSE(comm.HasEvent()) << "no send event before the bytes have gone";
  ASSERT_EQ(::tcflow(comm.PollFd(), TCOON), 0);
  Turn(comm);
  EXPECT_EQ(ReadFar(), "101");
  ASSERT_TRUE(comm.TakeEvent());
  EXPECT_EQ(comm.CommEvent(), comm_event::kSend);
}

// Parity and character size are left out: pseudo-terminals keep neither.
TEST_F(PseudoTerminal, AppliesTheLineSettingsRawWithoutFlowControl) {
  struct Case {
    std::string_view settings;
    speed_t speed;
    tcflag_t stop;
  };
  for (const Case& c : {Case{"9600,n,8,1", B9600, 0}, Case{"19200,n,8,2", B19200, CSTOPB},
                        Case{"1200,n,8,1", B1200, 0}}) {
    SCOPED_TRACE(c.settings);
    PosixCommControl comm;
    Open(comm, c.settings);
    termios tio{};
    ASSERT_EQ(::tcgetattr(comm.PollFd(), &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), c.speed);
    EXPECT_EQ(tio.c_cflag & CSTOPB, c.stop);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
  }
}

TEST_F(PseudoTerminal, ASecondOpenerIsRefusedAsInUse) {
  PosixCommControl first, second;
  Open(first);
  try {
    Open(second);
    FAIL() << "opened twice";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), failure::kPortInUse);
    EXPECT_EQ(failure.description(), "The serial port " + path_ +
                                         " is in use by another program: Device or resource "
                                         "busy.");
  }
  first.PortOpen(false);
  Open(second);
  EXPECT_TRUE(second.PortOpen());
}

TEST_F(PseudoTerminal, HangUpClosesThePortRaisesOneEventAndStopsPolling) {
  PosixCommControl comm;
  Open(comm);
  master_.reset();
  Turn(comm);
  EXPECT_FALSE(comm.PortOpen());
  EXPECT_EQ(comm.PollFd(), -1);
  ASSERT_TRUE(comm.TakeEvent());
  EXPECT_EQ(comm.CommEvent(), comm_event::kCarrierDetect);
  EXPECT_FALSE(comm.HasEvent());
  EXPECT_EQ(comm.Input(), "");
}

// A writer faster than the reader must not keep it reading: each read of the device
// takes a bounded amount, and nothing is lost for it.
TEST_F(PseudoTerminal, ReadsABoundedAmountATurnWhileAWriterFloods) {
  PosixCommControl comm;
  Open(comm);
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
  while (received < kTotal && comm.PortOpen()) {
    Turn(comm, 10000);
    const std::size_t got = comm.Input().size();
    largest = std::max(largest, got);
    received += got;
  }
  writer.join();
  EXPECT_EQ(received, kTotal);
  EXPECT_LE(largest, 2 * PosixCommControl::kReadPerTurn) << "one turn and one Input";
}

TEST(PosixCommControlFailures, NameAPathAsAMessageCanShowIt) {
  PosixCommControl comm;
  comm.CommPort(PortFromSetting("/dev/\x1b]2;x\x07" + std::string(100, 'y'), PortSystem::kPosix));
  try {
    comm.PortOpen(true);
    FAIL() << "opened";
  } catch (const Failure& failure) {
    const std::string what = failure.what();
    EXPECT_NE(what.find("serial port /dev/?]2;x?yyy"), std::string::npos) << what;
    EXPECT_NE(what.find("y...: "), std::string::npos) << what;
  }
}

TEST(PosixCommControlFailures, NameThePortAndTheSystemsReason) {
  struct Case {
    std::string_view port;
    std::string_view settings;
    int number;
    std::string_view text;
  };
  for (const Case& c : {
           Case{"/dev/no-such-tty", "9600,n,8,1", failure::kInvalidPort,
                "There is no serial port /dev/no-such-tty: No such file or directory."},
           Case{"/dev/null", "9600,n,8,1", failure::kInvalidPort,
                "/dev/null is not a serial port: Inappropriate ioctl for device."},
           Case{"/", "9600,n,8,1", failure::kInvalidPort,
                "There is no serial port /: Is a directory."},
       }) {
    SCOPED_TRACE(c.port);
    PosixCommControl comm;
    comm.CommPort(PortFromSetting(c.port, PortSystem::kPosix));
    comm.Settings(c.settings);
    try {
      comm.PortOpen(true);
      FAIL() << "opened";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), c.number);
      EXPECT_EQ(failure.description(), c.text);
      EXPECT_EQ(failure.hint(), "Check CP in tessora.ini.");
    }
    EXPECT_FALSE(comm.PortOpen());
  }
}

TEST_F(PseudoTerminal, ASpeedTheDeviceCannotTakeFailsAsABadProperty) {
  PosixCommControl comm;
  try {
    Open(comm, "12345,n,8,1");
    FAIL() << "opened";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), failure::kInvalidProperty);
    EXPECT_EQ(failure.description(), "The serial port " + path_ + " cannot take 12345 baud.");
  }
  EXPECT_FALSE(comm.PortOpen());
}

}  // namespace
}  // namespace quorvex::posix
