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
  // The descriptor to poll; -1 when closed, or while only LookAgain() can tell.
  virtual int PollFd() const = 0;
  // Once the line has closed (also inside a Write).
  virtual bool Closed() const { return PollFd() < 0; }
  // Whether anyone has the other end open; a serial port cannot tell, and says yes.
  virtual bool Heard() const { return true; }
  // Milliseconds after which OnReady(0) is wanted even with nothing polled; -1: never.
  virtual int LookAgain() const { return -1; }
  // What changed at the other end since asked last, for the user; empty if nothing.
  virtual std::string TakeNews() { return {}; }
  // POLLIN, and POLLOUT while written bytes wait for room.
  virtual short PollEvents() const = 0;
  // What arrived; nullopt once the line has closed.
  virtual std::optional<std::string> OnReady(short revents) = 0;
  // Never blocks: what the line cannot take now waits for POLLOUT.
  virtual void Write(std::string_view bytes) = 0;
};

// A port number or path, by the program's own rules; throws quorvex::Failure.
std::unique_ptr<PosixLine> OpenPort(std::string_view port);

// Creates the pair; `programEnd` receives the path the program is to open: `link`,
// made absolute, when given, which then becomes a symbolic link to the pair's
// program end until the line goes (or a fatal signal ends the tool). Throws
// std::runtime_error when `link` names anything but a symbolic link.
std::unique_ptr<PosixLine> OpenPseudoTerminal(const std::string& link, std::string& programEnd);

}  // namespace quorvex::controller
