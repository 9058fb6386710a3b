// The tool's loop on POSIX: one poll over the line and what is typed.
#include "posix_controller_serve.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "controller_platform.h"
#include "controller_session.h"

namespace quorvex::controller {
namespace {

// Lines typed on the input, as they complete.
class TypedLines {
 public:
  explicit TypedLines(int fd) : fd_(fd) {}

  // False at end of input.
  bool Read(Session& session) {
    char buffer[512];
    const ssize_t count = ::read(fd_, buffer, sizeof buffer);
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
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
  int fd_;
  std::string partial_;
};

bool Unsent(const PosixLine& line) {
  return (line.PollEvents() & POLLOUT) != 0;
}

// poll's time-out: the line's next look or the first deadline; -1 for neither.
int Timeout(int look, std::optional<Session::Clock::time_point> wake) {
  if (!wake) {
    return look;
  }
  const int until = WaitMs(*wake);
  return look >= 0 ? std::min(look, until) : until;
}

}  // namespace

UsageFor ThisPlatform() {
  return UsageFor::kPosix;
}

int ServeLine(PosixLine& line, const Options& options, int input, std::ostream& out,
              std::chrono::milliseconds patience) {
  using Clock = Session::Clock;
  Session session(out, {.answer = options.answer, .heartbeat = options.heartbeat},
                  [&line](std::string_view bytes) {
                    if (!line.Heard()) {
                      return false;
                    }
                    line.Write(bytes);
                    return true;
                  });
  const auto closed = [&session] {
    session.Flush();
    session.Note("line closed");
    return 1;
  };
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
  TypedLines typed(input);
  bool inputOpen = true;
  // Once the input has ended: the line's last sign of life, and the patience from it.
  std::optional<Clock::time_point> giveUpAt;
  for (;;) {
    // A line may close inside a write, with nothing left to poll that would say so.
    if (line.Closed()) {
      return closed();
    }
    const bool draining = !inputOpen && !options.listen;
    if (draining && !Unsent(line)) {
      session.Flush();
      return 0;
    }
    if (draining && !giveUpAt) {
      giveUpAt = Clock::now() + patience;
    }
    const int look = line.LookAgain();
    std::optional<Clock::time_point> wake = session.Deadline();
    if (giveUpAt && look < 0) {
      wake = wake ? std::min(*wake, *giveUpAt) : giveUpAt;
    }
    pollfd fds[2] = {{.fd = line.PollFd(), .events = line.PollEvents(), .revents = 0},
                     {.fd = inputOpen ? input : -1, .events = POLLIN, .revents = 0}};
    const int ready = ::poll(fds, 2, Timeout(look, wake));
    if (ready < 0 && errno != EINTR) {
      throw std::runtime_error("poll failed");
    }
    session.Due();
    if (giveUpAt && look < 0 && ready == 0 && Clock::now() >= *giveUpAt) {
      std::ostringstream note;
      note << "nothing went out for " << patience.count() / 1000.0
           << " s: the rest of what was typed is not sent";
      session.Note(note.str());
      return 1;
    }
    if ((ready > 0 && fds[0].revents != 0) || look >= 0) {
      giveUpAt.reset();
      const auto received = line.OnReady(ready > 0 ? fds[0].revents : 0);
      if (const std::string news = line.TakeNews(); !news.empty()) {
        session.Note(news);
      }
      if (!received) {
        return closed();
      }
      if (!received->empty()) {
        session.Received(*received);
        sendCodes();
      }
    }
    if (ready > 0 && fds[1].revents != 0) {
      inputOpen = typed.Read(session);
    }
  }
}

int Serve(const Options& options) {
  std::string programEnd;
  const auto line =
      options.pty ? OpenPseudoTerminal(options.ptyLink, programEnd) : OpenPort(options.port);
  if (options.pty) {
    std::cout << programEnd << std::endl;
  }
  return ServeLine(*line, options, STDIN_FILENO, std::cout);
}

}  // namespace quorvex::controller
