#include "controller_session.h"

#include <array>
#include <chrono>
#include <stdexcept>

#include "controller_text.h"

namespace quorvex::controller {
namespace {

struct Answer {
  std::string_view code;
  std::string_view reply;
};
constexpr std::array kAnswers{Answer{"101", "10"}, Answer{"202", "30"}};

}  // namespace

std::vector<std::string> Answerer::Feed(std::string_view bytes) {
  pending_ += bytes;
  std::vector<std::string> replies;
  while (!pending_.empty()) {
    bool waiting = false;
    bool matched = false;
    for (const Answer& answer : kAnswers) {
      if (pending_.starts_with(answer.code)) {
        replies.emplace_back(answer.reply);
        pending_.erase(0, answer.code.size());
        matched = true;
        break;
      }
      waiting = waiting || answer.code.starts_with(pending_);
    }
    if (matched) {
      continue;
    }
    if (waiting) {
      break;
    }
    pending_.erase(0, 1);
  }
  return replies;
}

void Session::Received(std::string_view bytes) {
  Print("recv", Quote(bytes));
  if (!answer_) {
    return;
  }
  for (const std::string& reply : answerer_.Feed(bytes)) {
    Send(reply);
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

}  // namespace quorvex::controller
