// What the controller does with the line, whatever carries it: prints both
// directions with the time, names Quorvex's codes, answers the operator's clicks
// when asked, and watches the heartbeat.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "controller_tokens.h"

namespace quorvex::controller {

// Heartbeats missed before the tool says Quorvex is gone.
inline constexpr int kMissedHeartbeats = 3;
// How long the start of a code waits for its rest before it is shown as it is.
// Quorvex writes each code at once, so only a fault on the line splits one for long.
inline constexpr std::chrono::milliseconds kRestPatience{500};

class Session {
 public:
  using Clock = std::chrono::steady_clock;
  // False when the bytes could not be written: nobody has the line open.
  using Writer = std::function<bool(std::string_view)>;
  struct Settings {
    bool answer = false;
    std::chrono::milliseconds heartbeat{0};  // 0: not watched
    std::function<Clock::time_point()> now = Clock::now;
  };
  Session(std::ostream& out, Settings settings, Writer write);

  void Received(std::string_view bytes);
  void Send(std::string_view bytes);
  // A line typed on stdin: its escapes resolved, then sent; blank lines are skipped,
  // and a line with a malformed escape is answered with an error line, not sent.
  void Typed(std::string_view line);
  // Something other than traffic, such as the line closing.
  void Note(std::string_view text);

  // When Due() is wanted at the latest, woken or not; nothing while nothing waits.
  std::optional<Clock::time_point> Deadline() const;
  // Says what has come due: heartbeats missed, a code's start that got no rest.
  void Due();
  // The line has ended: what waited for its rest is shown as it is.
  void Flush();

 private:
  void Show(const Piece& piece);
  // When the heartbeats will have been missed; nothing while not watched or missing.
  std::optional<Clock::time_point> GoneAt() const;
  void Print(std::string_view what, std::string_view text);
  void Print(std::string_view line);

  std::ostream& out_;
  Settings settings_;
  Writer write_;
  Tokenizer tokens_;
  std::optional<Clock::time_point> restDue_;
  // Since the last heartbeat, or the start; missing once the tool has said so.
  Clock::time_point lastBeat_;
  bool missing_ = false;
};

// Milliseconds from now to `deadline` for a loop's wait, rounded up so that the loop
// never wakes just before it; 0 once passed, and at most a day.
int WaitMs(Session::Clock::time_point deadline);

}  // namespace quorvex::controller
