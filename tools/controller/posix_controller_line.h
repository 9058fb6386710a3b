// The controller's end of the line on POSIX: a serial port, or the master side of
// a pseudo-terminal pair that this tool creates.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quorvex::controller {

class PosixLine {
 public:
  virtual ~PosixLine() = default;
  // The descriptor to poll, -1 once the line has closed (also inside a Write).
  virtual int PollFd() const = 0;
  // POLLIN, and POLLOUT while written bytes wait for room.
  virtual short PollEvents() const = 0;
  // What arrived; nullopt once the line has closed.
  virtual std::optional<std::string> OnReady(short revents) = 0;
  // Never blocks: what the line cannot take now waits for POLLOUT.
  virtual void Write(std::string_view bytes) = 0;
};

// A port number or path, by the program's own rules; throws quorvex::Failure.
std::unique_ptr<PosixLine> OpenPort(std::string_view port);

// Creates the pair; `programEnd` receives the path the program is to open.
std::unique_ptr<PosixLine> OpenPseudoTerminal(std::string& programEnd);

}  // namespace quorvex::controller
