// The controller's end of the line, as the probe drives it: an inherited descriptor.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvex::bench {

class ProbeLine {
 public:
  explicit ProbeLine(int fd) : fd_(fd) {}
  int fd() const { return fd_; }
  void Write(std::string_view bytes);
  // Whatever has arrived, without waiting.
  std::string Drain();
  // Reads until `text` has arrived; false at the deadline.
  bool WaitFor(std::string_view text, std::int64_t deadlineNs);

 private:
  bool ReadOnce(int timeoutMs, std::string& into);

  int fd_;
};

}  // namespace quorvex::bench
