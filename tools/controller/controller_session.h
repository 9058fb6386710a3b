// What the controller does with the line, whatever carries it: prints both
// directions with the time and, when asked, answers the operator's clicks.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::controller {

// The answers a controller gives: "10" to "101", "30" to "202". Codes may arrive
// split over several reads; other bytes (the greeting "some data") are skipped.
class Answerer {
 public:
  std::vector<std::string> Feed(std::string_view bytes);

 private:
  std::string pending_;
};

class Session {
 public:
  // False when the bytes could not be written: nobody has the line open.
  using Writer = std::function<bool(std::string_view)>;
  Session(std::ostream& out, bool answer, Writer write)
      : out_(out), answer_(answer), write_(std::move(write)) {}

  void Received(std::string_view bytes);
  void Send(std::string_view bytes);
  // A line typed on stdin: its escapes resolved, then sent; blank lines are skipped,
  // and a line with a malformed escape is answered with an error line, not sent.
  void Typed(std::string_view line);
  // Something other than traffic, such as the line closing.
  void Note(std::string_view text);

 private:
  void Print(std::string_view what, std::string_view text);
  void Print(std::string_view line);

  std::ostream& out_;
  bool answer_;
  Writer write_;
  Answerer answerer_;
};

}  // namespace quorvex::controller
