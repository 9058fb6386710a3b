#include "posix_controller_line.h"

#include "controller_platform.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "common/port.h"
#include "platform/posix/posix_fd.h"
#include "platform/posix/posix_serial_port.h"
#include "platform/serial_line.h"

namespace quorvex::controller {
namespace {

using posix::UniqueFd;

constexpr std::size_t kReadSize = 4096;

// A serial port, opened, named, read and written as the program does its own.
class PortLine final : public PosixLine {
 public:
  explicit PortLine(std::string_view port)
      : port_(PortFromArgument(port, PortSystem::kPosix), kLine) {}
  int PollFd() const override { return port_.fd(); }
  short PollEvents() const override {
    return static_cast<short>(POLLIN | (unsent_.empty() ? 0 : POLLOUT));
  }
  std::optional<std::string> OnReady(short revents) override {
    failed_ = failed_ || ((revents & POLLOUT) && !port_.Write(unsent_));
    std::string received;
    if (failed_ || !port_.Read(received, kReadSize) || (revents & (POLLHUP | POLLERR | POLLNVAL))) {
      return std::nullopt;
    }
    return received;
  }
  void Write(std::string_view bytes) override {
    unsent_ += bytes;
    failed_ = failed_ || !port_.Write(unsent_);
  }

 private:
  posix::SerialPort port_;
  std::string unsent_;  // what the device has not taken yet
  bool failed_ = false;
};

[[noreturn]] void ThrowSystem(const char* what) {
  throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

// The master side; the tool also holds the program's end open, so that the line
// stays up (no hang-up) between runs of the program, as a cable would. Non-blocking:
// while nobody reads the program's end, what is sent waits here and the tool goes on.
class PseudoTerminal final : public PosixLine {
 public:
  PseudoTerminal() : master_(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    if (!master_ || ::grantpt(master_.get()) != 0 || ::unlockpt(master_.get()) != 0 ||
        ::fcntl(master_.get(), F_SETFL, O_NONBLOCK) != 0) {
      ThrowSystem("cannot create a pseudo-terminal");
    }
    path_ = ::ptsname(master_.get());
    slave_.reset(::open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    termios tio{};
    if (!slave_ || ::tcgetattr(slave_.get(), &tio) != 0) {
      ThrowSystem("cannot open the pseudo-terminal's other end");
    }
    // Raw until the program sets its own mode: no echo of what is sent before.
    ::cfmakeraw(&tio);
    ::tcsetattr(slave_.get(), TCSANOW, &tio);
  }
  const std::string& path() const { return path_; }
  int PollFd() const override { return master_.get(); }
  short PollEvents() const override {
    return static_cast<short>(POLLIN | (unsent_.empty() ? 0 : POLLOUT));
  }
  std::optional<std::string> OnReady(short revents) override {
    if (revents & POLLOUT) {
      Flush();
    }
    if (!master_) {
      return std::nullopt;
    }
    std::string received;
    if (!posix::ReadAvailable(master_.get(), received, kReadSize)) {
      return std::nullopt;
    }
    return received;
  }
  void Write(std::string_view bytes) override {
    unsent_ += bytes;
    Flush();
  }

 private:
  void Flush() {
    if (master_ && !posix::WriteAvailable(master_.get(), unsent_)) {
      master_.reset();  // closed: the loop sees PollFd() -1
      unsent_.clear();
    }
  }

  UniqueFd master_;
  UniqueFd slave_;
  std::string path_;
  std::string unsent_;
};

}  // namespace

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

std::unique_ptr<PosixLine> OpenPort(std::string_view port) {
  return std::make_unique<PortLine>(port);
}

std::unique_ptr<PosixLine> OpenPseudoTerminal(std::string& programEnd) {
  auto line = std::make_unique<PseudoTerminal>();
  programEnd = line->path();
  return line;
}

}  // namespace quorvex::controller
