// The tool's loop on POSIX: one poll over the line and what is typed.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <stdexcept>
#include <utility>

#include "controller_platform.h"
#include "controller_session.h"
#include "platform/failure.h"
#include "posix_controller_line.h"

namespace quorvex::controller {
namespace {

// Lines typed on stdin, as they complete.
class StdinLines {
 public:
  // False at end of input.
  bool Read(Session& session) {
    char buffer[512];
    const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) {
      return true;
    }
    if (count <= 0) {
      session.Typed(std::exchange(partial_, {}));
      return false;
    }
    partial_.append(buffer, static_cast<std::size_t>(count));
    for (auto end = partial_.find('\n'); end != std::string::npos; end = partial_.find('\n')) {
      session.Typed(partial_.substr(0, end));
      partial_.erase(0, end + 1);
    }
    return true;
  }

 private:
  std::string partial_;
};

}  // namespace

UsageFor ThisPlatform() {
  return UsageFor::kPosix;
}

int Serve(const Options& options) {
  std::string programEnd;
  const auto line = options.pty ? OpenPseudoTerminal(programEnd) : OpenPort(options.port);
  if (options.pty) {
    std::cout << programEnd << std::endl;
  }
  Session session(std::cout, options.answer,
                  [&line](std::string_view bytes) { line->Write(bytes); });
  // On a pseudo-terminal nobody listens yet: the codes wait for the program's greeting.
  bool codesSent = false;
  const auto sendCodes = [&] {
    if (std::exchange(codesSent, true)) {
      return;
    }
    for (const std::string& code : options.codes) {
      session.Send(code);
    }
  };
  if (!options.pty) {
    sendCodes();
  }
  StdinLines typed;
  bool stdinOpen = true;
  while (stdinOpen || options.listen) {
    pollfd fds[2] = {{.fd = line->PollFd(), .events = line->PollEvents(), .revents = 0},
                     {.fd = stdinOpen ? STDIN_FILENO : -1, .events = POLLIN, .revents = 0}};
    if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
      throw std::runtime_error("poll failed");
    }
    if (fds[0].revents != 0) {
      const auto received = line->OnReady(fds[0].revents);
      if (!received) {
        session.Note("line closed");
        return 1;
      }
      if (!received->empty()) {
        session.Received(*received);
        sendCodes();
      }
    }
    if (fds[1].revents != 0) {
      stdinOpen = typed.Read(session);
    }
  }
  return 0;
}

}  // namespace quorvex::controller
