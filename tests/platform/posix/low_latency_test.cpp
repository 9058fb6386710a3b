// The low-latency request on open, seen through the linker's --wrap=ioctl: the
// driver's answers are the test's to give.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/serial.h>
#include <stdlib.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdarg>
#include <vector>

#include "platform/posix/posix_serial_port.h"

namespace {

struct Driver {
  int refusal = 0;  // errno for TIOCGSERIAL; 0 takes it
  int flags = 0;    // what TIOCGSERIAL reports
  std::vector<unsigned long> asked;
  std::vector<int> setFlags;
};
Driver driver;

}  // namespace

extern "C" int __real_ioctl(int fd, unsigned long request, ...);

extern "C" int __wrap_ioctl(int fd, unsigned long request, ...) {
  va_list args;
  va_start(args, request);
  void* argument = va_arg(args, void*);
  va_end(args);
  if (request != TIOCGSERIAL && request != TIOCSSERIAL) {
    return __real_ioctl(fd, request, argument);
  }
  driver.asked.push_back(request);
  auto* serial = static_cast<serial_struct*>(argument);
  if (request == TIOCGSERIAL) {
    if (driver.refusal != 0) {
      errno = driver.refusal;
      return -1;
    }
    *serial = serial_struct{};
    serial->flags = driver.flags;
    return 0;
  }
  driver.setFlags.push_back(serial->flags);
  return 0;
}

namespace quorvex::posix {
namespace {

class LowLatency : public ::testing::Test {
 protected:
  void SetUp() override {
    driver = Driver{};
    ASSERT_TRUE(master_ && ::grantpt(master_.get()) == 0 && ::unlockpt(master_.get()) == 0);
  }
  Port Slave() const { return PortFromSetting(::ptsname(master_.get()), PortSystem::kPosix); }

  UniqueFd master_{::posix_openpt(O_RDWR | O_NOCTTY)};
};

TEST_F(LowLatency, IsAskedForOnOpenKeepingTheDriversOtherFlags) {
  driver.flags = ASYNC_SPD_HI;
  PosixSerialLine line;
  line.Open(Slave());
  EXPECT_EQ(driver.asked, (std::vector<unsigned long>{TIOCGSERIAL, TIOCSSERIAL}));
  EXPECT_EQ(driver.setFlags, (std::vector<int>{ASYNC_SPD_HI | ASYNC_LOW_LATENCY}));
}

TEST_F(LowLatency, ARefusalLeavesTheLineAsItIsAndWorking) {
  for (const int refusal : {ENOTTY, EINVAL}) {
    driver = Driver{};
    driver.refusal = refusal;
    PosixSerialLine line;
    line.Open(Slave());
    EXPECT_TRUE(line.IsOpen()) << refusal;
    EXPECT_EQ(driver.asked, std::vector<unsigned long>{TIOCGSERIAL}) << refusal;
    EXPECT_TRUE(line.Write("some data")) << refusal;
    char buffer[16] = {};
    EXPECT_EQ(::read(master_.get(), buffer, sizeof buffer), 9) << refusal;
  }
}

}  // namespace
}  // namespace quorvex::posix
