#include "controller_session.h"

#include <algorithm>
#include <chrono>
#include <iomanip>
#include <sstream>
#include <stdexcept>

#include "controller_text.h"

namespace quorvex::controller {

Session::Session(std::ostream& out, Settings settings, Writer write)
    : out_(out),
      settings_(std::move(settings)),
      write_(std::move(write)),
      lastBeat_(settings_.now()) {}

void Session::Received(std::string_view bytes) {
  for (const Piece& piece : tokens_.Feed(bytes)) {
    Show(piece);
  }
  if (!tokens_.Holding()) {
    restDue_.reset();
  } else if (!restDue_) {
    restDue_ = settings_.now() + kRestPatience;
  }
}

void Session::Show(const Piece& piece) {
  const Token* token = piece.token;
  std::string text = Quote(piece.bytes);
  if (token != nullptr && !token->words.empty()) {
    text.append(" (").append(token->words).append(")");
  }
  Print("recv", text);
  if (token == nullptr) {
    return;
  }
  if (token->code == kHeartbeat && settings_.heartbeat.count() > 0) {
    const Clock::time_point now = settings_.now();
    if (missing_) {
      missing_ = false;
      std::ostringstream note;
      note << "heartbeat again after " << std::fixed << std::setprecision(1)
           << std::chrono::duration<double>(now - lastBeat_).count() << " s: Quorvex is running";
      Note(note.str());
    }
    lastBeat_ = now;
  }
  if (settings_.answer && !token->reply.empty()) {
    Send(token->reply);
  }
}

std::optional<Session::Clock::time_point> Session::Deadline() const {
  const std::optional<Clock::time_point> gone = GoneAt();
  if (restDue_ && gone) {
    return std::min(*restDue_, *gone);
  }
  return restDue_ ? restDue_ : gone;
}

std::optional<Session::Clock::time_point> Session::GoneAt() const {
  if (settings_.heartbeat.count() <= 0 || missing_) {
    return std::nullopt;
  }
  return lastBeat_ + kMissedHeartbeats * settings_.heartbeat;
}

void Session::Due() {
  const Clock::time_point now = settings_.now();
  if (restDue_ && now >= *restDue_) {
    Flush();
  }
  if (const auto gone = GoneAt(); gone && now >= *gone) {
    missing_ = true;
    std::ostringstream note;
    note << "no heartbeat for " << kMissedHeartbeats << " intervals ("
         << settings_.heartbeat.count() << " ms): Quorvex gone: the buttons may be bare";
    Note(note.str());
  }
}

void Session::Flush() {
  restDue_.reset();
  for (const Piece& piece : tokens_.Flush()) {
    Show(piece);
  }
}

void Session::Send(std::string_view bytes) {
  if (write_(bytes)) {
    Print("sent", Quote(bytes));
  } else {
    Print("not sent " + Quote(bytes) + ": nobody has the line open");
  }
}

void Session::Typed(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
    line.remove_suffix(1);
  }
  if (line.empty()) {
    return;
  }
  std::string bytes;
  try {
    bytes = Unescape(line);
  } catch (const std::invalid_argument& error) {
    // A slip of the keyboard: say so and keep the line up for the next try.
    Print("error", std::string(error.what()) + ": \"" + std::string(line) + "\" not sent");
    return;
  }
  Send(bytes);
}

void Session::Note(std::string_view text) {
  Print("note", text);
}

void Session::Print(std::string_view what, std::string_view text) {
  Print(std::string(what) + ' ' + std::string(text));
}

void Session::Print(std::string_view line) {
  out_ << TimeOfDay(std::chrono::system_clock::now()) << ' ' << line << std::endl;
}

int WaitMs(Session::Clock::time_point deadline) {
  using namespace std::chrono;
  const auto left = ceil<milliseconds>(deadline - Session::Clock::now()).count();
  return static_cast<int>(
      std::clamp<long long>(left, 0, duration_cast<milliseconds>(days(1)).count()));
}

}  // namespace quorvex::controller
