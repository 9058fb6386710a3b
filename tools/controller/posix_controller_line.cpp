#include "posix_controller_line.h"

#include "controller_platform.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <utility>
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

// How often a pseudo-terminal nobody has open is looked at: its master reports
// POLLHUP all the while, so poll cannot wait on it for the other end to open.
constexpr int kLookEveryMs = 50;

// The link of --pty PATH, where a fatal signal's handler can reach it.
char gLinkPath[4096];
char gLinkTarget[4096];
std::size_t gLinkTargetLength = 0;

// Async-signal-safe: removes the link only while it still leads to this tool's
// pseudo-terminal (another tool may have taken the name over since).
void RemoveOwnLink() {
  char seen[sizeof gLinkTarget];
  const ssize_t length = ::readlink(gLinkPath, seen, sizeof seen);
  if (gLinkTargetLength > 0 && length == static_cast<ssize_t>(gLinkTargetLength) &&
      std::memcmp(seen, gLinkTarget, gLinkTargetLength) == 0) {
    ::unlink(gLinkPath);
  }
}

extern "C" void RemoveLinkAndEnd(int signal) {
  RemoveOwnLink();
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

// PATH, a symbolic link to the pseudo-terminal for as long as the tool runs.
class Link {
 public:
  Link(const std::string& path, const std::string& target) {
    if (path.size() >= sizeof gLinkPath || target.size() >= sizeof gLinkTarget) {
      throw std::runtime_error(path + ": the path is too long");
    }
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
      throw std::runtime_error(path + " exists and is not a symbolic link: left as it is");
    }
    // Made beside it and renamed over it, so that the name never leads nowhere.
    const std::string fresh = path + ".new-" + std::to_string(::getpid());
    if (::symlink(target.c_str(), fresh.c_str()) != 0) {
      const int reason = errno;
      const std::filesystem::path folder = std::filesystem::path(path).parent_path();
      std::error_code ignored;
      if (reason == ENOENT && !std::filesystem::is_directory(folder, ignored)) {
        throw std::runtime_error(path + " cannot be made a link: the folder " + folder.string() +
                                 " does not exist (make it first: mkdir -p " + folder.string() +
                                 ")");
      }
      throw std::runtime_error(path + " cannot be made a link: " + std::strerror(reason));
    }
    if (::rename(fresh.c_str(), path.c_str()) != 0) {
      const int reason = errno;
      ::unlink(fresh.c_str());
      throw std::runtime_error(path + " cannot be made a link: " + std::strerror(reason));
    }
    std::memcpy(gLinkPath, path.c_str(), path.size() + 1);
    std::memcpy(gLinkTarget, target.data(), target.size());
    gLinkTargetLength = target.size();
    struct sigaction action {};
    action.sa_handler = RemoveLinkAndEnd;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
      ::sigaction(signal, &action, nullptr);
    }
  }
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;
  ~Link() {
    RemoveOwnLink();
    gLinkTargetLength = 0;
  }
};

bool HungUp(int fd) {
  pollfd look{.fd = fd, .events = POLLIN, .revents = 0};
  return ::poll(&look, 1, 0) == 1 && (look.revents & POLLHUP) != 0;
}

// The master side. Its program end is opened once, to make it raw (what is sent
// before the program sets its own mode is not echoed), and closed again: from then
// on the master reports POLLHUP exactly while nobody has that end open, and the tool
// stays up across runs of the program, as a cable would. Non-blocking: while the
// program does not read, what is sent waits here and the tool goes on.
class PseudoTerminal final : public PosixLine {
 public:
  explicit PseudoTerminal(const std::string& link)
      : master_(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    if (!master_ || ::grantpt(master_.get()) != 0 || ::unlockpt(master_.get()) != 0 ||
        ::fcntl(master_.get(), F_SETFL, O_NONBLOCK) != 0) {
      ThrowSystem("cannot create a pseudo-terminal");
    }
    path_ = ::ptsname(master_.get());
    {
      const UniqueFd slave(::open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
      termios tio{};
      if (!slave || ::tcgetattr(slave.get(), &tio) != 0) {
        ThrowSystem("cannot open the pseudo-terminal's other end");
      }
      ::cfmakeraw(&tio);
      ::tcsetattr(slave.get(), TCSANOW, &tio);
    }
    if (!link.empty()) {
      link_.emplace(link, path_);
    }
  }
  const std::string& path() const { return path_; }
  int PollFd() const override { return heard_ ? master_.get() : -1; }
  bool Closed() const override { return !master_; }
  bool Heard() const override { return heard_; }
  int LookAgain() const override { return heard_ ? -1 : kLookEveryMs; }
  std::string TakeNews() override { return std::exchange(news_, {}); }
  short PollEvents() const override {
    return static_cast<short>(POLLIN | (unsent_.empty() ? 0 : POLLOUT));
  }
  std::optional<std::string> OnReady(short revents) override {
    if (!heard_) {
      if (!master_ || HungUp(master_.get())) {
        return master_ ? std::optional(std::string()) : std::nullopt;
      }
      heard_ = true;
      news_ = "the other end has opened the line";
    }
    if (revents & POLLOUT) {
      Flush();
    }
    if (!master_) {
      return std::nullopt;
    }
    std::string received;
    if (!posix::ReadAvailable(master_.get(), received, kReadSize)) {
      if (errno != EIO) {
        master_.reset();
        return std::nullopt;
      }
      // EIO: the last opener closed its end; what it had sent came first.
      heard_ = false;
      news_ = "nobody has the line open now";
      if (!unsent_.empty()) {
        news_ += ": " + std::to_string(unsent_.size()) + " bytes it had not read are not sent";
        unsent_.clear();
      }
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
      master_.reset();  // failed: the loop sees Closed()
      unsent_.clear();
    }
  }

  UniqueFd master_;
  std::string path_;
  std::optional<Link> link_;
  bool heard_ = false;
  std::string news_;
  std::string unsent_;
};

}  // namespace

std::unique_ptr<PosixLine> OpenPort(std::string_view port) {
  return std::make_unique<PortLine>(port);
}

std::unique_ptr<PosixLine> OpenPseudoTerminal(const std::string& link, std::string& programEnd) {
  const std::string absolute = link.empty() ? link : std::filesystem::absolute(link).string();
  auto line = std::make_unique<PseudoTerminal>(absolute);
  programEnd = link.empty() ? line->path() : absolute;
  return line;
}

}  // namespace quorvex::controller
