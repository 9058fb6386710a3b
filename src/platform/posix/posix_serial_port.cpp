#include "platform/posix/posix_serial_port.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "common/failure.h"

namespace quorvex::posix {
namespace {

struct Speed {
  int baud;
  speed_t code;
};

constexpr std::array kSpeeds{
    Speed{50, B50},         Speed{75, B75},         Speed{110, B110},     Speed{134, B134},
    Speed{150, B150},       Speed{200, B200},       Speed{300, B300},     Speed{600, B600},
    Speed{1200, B1200},     Speed{1800, B1800},     Speed{2400, B2400},   Speed{4800, B4800},
    Speed{9600, B9600},     Speed{19200, B19200},   Speed{38400, B38400}, Speed{57600, B57600},
    Speed{115200, B115200}, Speed{230400, B230400},
};

std::string Reason(int error) {
  return std::strerror(error);
}

PortProblem OpenProblem(int error) {
  switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR:
    case EISDIR:
      return PortProblem::kMissing;
    case EBUSY:
      return PortProblem::kInUse;
    default:
      return PortProblem::kCannotOpen;
  }
}

[[noreturn]] void ThrowOpenFailure(const Port& port, int error) {
  std::string hint;
  if (error == EACCES) {
    hint =
        "The user needs access to the device: on Debian, sudo adduser $USER dialout, then "
        "log in again.";
  }
  const PortProblem problem = OpenProblem(error);
  if (problem == PortProblem::kMissing) {
    hint = PresentPortsText(PresentPorts());
  }
  throw PortFailure(problem, port, Reason(error), std::move(hint));
}

tcflag_t CharacterSize(int dataBits) {
  switch (dataBits) {
    case 5:
      return CS5;
    case 6:
      return CS6;
    case 7:
      return CS7;
    default:
      return CS8;
  }
}

// Mark and space parity exist only where the driver offers CMSPAR.
bool SetParity(termios& tio, char parity) {
  tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD);
  switch (parity) {
    case 'n':
      return true;
    case 'e':
      tio.c_cflag |= PARENB;
      return true;
    case 'o':
      tio.c_cflag |= PARENB | PARODD;
      return true;
#ifdef CMSPAR
    case 'm':
      tio.c_cflag |= PARENB | PARODD | CMSPAR;
      return true;
    case 's':
      tio.c_cflag |= PARENB | CMSPAR;
      return true;
#endif
    default:
      return false;
  }
}

[[noreturn]] void ThrowBadLine(const Port& port, std::string what) {
  throw PortFailure(PortProblem::kCannotTakeLine, port, std::move(what));
}

}  // namespace

void ConfigureLine(int fd, const LineSettings& line, const Port& port) {
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) {
    const int error = errno;
    throw PortFailure(error == ENOTTY ? PortProblem::kNotSerial : PortProblem::kCannotSetUp, port,
                      Reason(error));
  }
  ::cfmakeraw(&tio);
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | CSIZE | CSTOPB);
  tio.c_cflag |= CLOCAL | CREAD | CharacterSize(line.dataBits);
  if (line.stopBits == 2) {
    tio.c_cflag |= CSTOPB;
  }
  if (!SetParity(tio, line.parity)) {
    ThrowBadLine(port, std::string("parity ") + line.parity);
  }
  // With O_NONBLOCK, MIN 1 makes an empty read EAGAIN, so that 0 means end of file.
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  const auto* speed = std::find_if(kSpeeds.begin(), kSpeeds.end(),
                                   [&](const Speed& s) { return s.baud == line.baud; });
  if (speed == kSpeeds.end()) {
    ThrowBadLine(port, std::to_string(line.baud) + " baud");
  }
  ::cfsetispeed(&tio, speed->code);
  ::cfsetospeed(&tio, speed->code);
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
    throw PortFailure(PortProblem::kCannotSetUp, port, Reason(errno));
  }
  ::tcflush(fd, TCIOFLUSH);
}

bool RequestLowLatency(int fd) {
  serial_struct serial{};
  if (::ioctl(fd, TIOCGSERIAL, &serial) != 0) {
    return false;
  }
  serial.flags |= ASYNC_LOW_LATENCY;
  return ::ioctl(fd, TIOCSSERIAL, &serial) == 0;
}

SerialPort::SerialPort(const Port& port, const LineSettings& line)
    : fd_(::open(port.device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
  if (!fd_) {
    ThrowOpenFailure(port, errno);
  }
  // TIOCEXCL does not stop a privileged process; the lock stops every program that
  // locks too (terminal programs and a second instance of this one).
  if (::flock(fd_.get(), LOCK_EX | LOCK_NB) != 0) {
    ThrowOpenFailure(port, errno == EWOULDBLOCK ? EBUSY : errno);
  }
  ConfigureLine(fd_.get(), line, port);
  RequestLowLatency(fd_.get());
  ::ioctl(fd_.get(), TIOCEXCL);
}

// Gives up the exclusive hold; the descriptor closes itself (none when moved from).
SerialPort::~SerialPort() {
  if (fd_) {
    ::ioctl(fd_.get(), TIOCNXCL);
  }
}

bool SerialPort::Read(std::string& into, std::size_t max) {
  return ReadAvailable(fd_.get(), into, max);
}

bool SerialPort::Write(std::string& bytes) {
  return WriteAvailable(fd_.get(), bytes);
}

void PosixSerialLine::Open(const Port& port) {
  if (!IsOpen()) {
    port_.emplace(port, kLine);
    ++opened_;
    hungUp_ = false;
    lostReason_.clear();
  }
}

bool PosixSerialLine::Write(std::string_view bytes) {
  if (!IsOpen()) {
    return false;
  }
  unsent_ += bytes;
  Flush();
  return IsOpen();
}

// Read here, in the turn that found input, so that a byte goes from the device to
// its code at once; a hang-up or a failed read closes the line.
std::string PosixSerialLine::TakeInput() {
  std::string input;
  if (!IsOpen()) {
    return input;
  }
  errno = 0;
  if (!port_->Read(input, kReadPerTurn)) {
    Lose(errno);
  } else if (hungUp_) {
    Lose(0);
  }
  return input;
}

short PosixSerialLine::PollEvents() const {
  return static_cast<short>(POLLIN | (unsent_.empty() ? 0 : POLLOUT));
}

bool PosixSerialLine::Polled(short revents) {
  if (revents & POLLOUT) {
    Flush();
  }
  hungUp_ = hungUp_ || (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
  return IsOpen() && (revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void PosixSerialLine::Flush() {
  if (IsOpen()) {
    errno = 0;
    if (!port_->Write(unsent_)) {
      Lose(errno);
    }
  }
}

// 0: the line hung up without an error of its own.
void PosixSerialLine::Lose(int error) {
  lostReason_ = error != 0 ? Reason(error) : "hang-up";
  Close();
}

void PosixSerialLine::Close() {
  port_.reset();
  unsent_.clear();
}

}  // namespace quorvex::posix

namespace quorvex {

std::string PresentPorts() {
  std::vector<std::string> found;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator("/sys/class/tty", ignored)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("ttyUSB") || name.starts_with("ttyACM")) {
      found.push_back("/dev/" + name);
      continue;
    }
    // Every built-in port has its device; only those with a UART behind have a type.
    std::ifstream type(entry.path() / "type");
    int uart = 0;
    if (name.starts_with("ttyS") && type >> uart && uart != 0) {
      const auto number = static_cast<std::int16_t>(std::atoi(name.c_str() + 4) + 1);
      found.push_back(NumberedPort(number, PortSystem::kPosix).name);
    }
  }
  std::sort(found.begin(), found.end());
  std::string ports;
  for (const std::string& port : found) {
    ports += (ports.empty() ? "" : ", ") + port;
  }
  return ports;
}

bool PortPresent(const Port& port) {
  struct stat status {};
  return ::stat(port.device.c_str(), &status) == 0 && S_ISCHR(status.st_mode);
}

}  // namespace quorvex
