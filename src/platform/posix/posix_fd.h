// A file descriptor that closes itself, and reading and writing one that does not block.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <string>
#include <utility>

namespace quorvex::posix {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    reset(other.release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { reset(); }

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  int release() { return std::exchange(fd_, -1); }
  void reset(int fd = -1) {
    if (fd_ >= 0) {
      ::close(fd_);
    }
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

// Appends what waits on a non-blocking descriptor, `max` bytes at most; false once
// it has hung up (end of file) or failed.
inline bool ReadAvailable(int fd, std::string& into, std::size_t max) {
  std::array<char, 1024> buffer;
  while (max > 0) {
    const std::size_t asked = std::min(max, buffer.size());
    const ssize_t count = ::read(fd, buffer.data(), asked);
    if (count > 0) {
      into.append(buffer.data(), static_cast<std::size_t>(count));
      max -= static_cast<std::size_t>(count);
      if (static_cast<std::size_t>(count) < asked) {
        return true;  // all there was: a read more would only say EAGAIN
      }
    } else if (count < 0 && errno == EINTR) {
      continue;
    } else {
      return count < 0 && errno == EAGAIN;
    }
  }
  return true;
}

// Writes what the descriptor takes now and removes it from `bytes`; false once it
// has failed.
inline bool WriteAvailable(int fd, std::string& bytes) {
  while (!bytes.empty()) {
    const ssize_t count = ::write(fd, bytes.data(), bytes.size());
    if (count > 0) {
      bytes.erase(0, static_cast<std::size_t>(count));
    } else if (count < 0 && errno == EINTR) {
      continue;
    } else {
      return count < 0 && errno == EAGAIN;  // the rest goes when the device takes more
    }
  }
  return true;
}

}  // namespace quorvex::posix
