#include "probe_line.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include "probe_clock.h"

namespace quorvex::bench {

void ProbeLine::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = ::write(fd_, bytes.data(), bytes.size());
    if (count < 0 && errno == EINTR) {
      continue;
    }
    if (count < 0) {
      throw std::runtime_error("cannot write to the line");
    }
    bytes.remove_prefix(static_cast<std::size_t>(count));
  }
}

bool ProbeLine::ReadOnce(int timeoutMs, std::string& into) {
  pollfd line{.fd = fd_, .events = POLLIN, .revents = 0};
  if (::poll(&line, 1, timeoutMs) <= 0 || !(line.revents & POLLIN)) {
    return false;
  }
  char buffer[4096];
  const ssize_t count = ::read(fd_, buffer, sizeof buffer);
  if (count <= 0) {
    return false;
  }
  into.append(buffer, static_cast<std::size_t>(count));
  return true;
}

std::string ProbeLine::Drain() {
  std::string got;
  while (ReadOnce(0, got)) {
  }
  return got;
}

bool ProbeLine::WaitFor(std::string_view text, std::int64_t deadlineNs) {
  std::string got;
  while (got.find(text) == std::string::npos) {
    const std::int64_t left = deadlineNs - NowNs();
    if (left <= 0) {
      return false;
    }
    ReadOnce(static_cast<int>(std::min<std::int64_t>(left / 1'000'000 + 1, 1000)), got);
  }
  return true;
}

}  // namespace quorvex::bench
