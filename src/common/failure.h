// A failure that ends the program: shown as "Error <number>: <description>".
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace quorvex {

// Numbers are part of the operator's guide: never renumber.
namespace failure {
constexpr int kOverflow = 6;            // a value outside -32768..32767
constexpr int kTypeMismatch = 13;       // a value that is empty or not a number
constexpr int kInternal = 51;           // anything unforeseen
constexpr int kFileNotFound = 53;       // the settings file does not exist
constexpr int kFileAccess = 75;         // the settings file exists but cannot be read
constexpr int kInvalidProperty = 380;   // a control property given a value it cannot take
constexpr int kDisplay = 7000;          // the desktop cannot be reached
constexpr int kInvalidPort = 8002;      // CP is no port, or no such port exists
constexpr int kPortInUse = 8005;        // another program holds the port
constexpr int kPortUnavailable = 8010;  // the port exists but cannot be used
}  // namespace failure

// What the operator reads: "Error <number>: <description>".
inline std::string FailureMessage(int number, const std::string& description) {
  return "Error " + std::to_string(number) + ": " + description;
}

// What a terminal or a message box shows as it is: control bytes become '?'.
inline std::string WithoutControlBytes(std::string_view text) {
  std::string shown(text);
  for (char& c : shown) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      c = '?';
    }
  }
  return shown;
}

// Text from outside (an item, CP, a resource) as a message shows it: without
// control bytes, and a long one shortened.
inline std::string Printable(std::string_view text) {
  constexpr std::size_t kShown = 60;
  std::string shown = WithoutControlBytes(text.substr(0, kShown));
  if (text.size() > kShown) {
    shown += "...";
  }
  return shown;
}

class Failure : public std::runtime_error {
 public:
  Failure(int number, const std::string& description) : Failure(number, description, {}, {}) {}
  // `reason`: the system's own words, already within the description; `hint`: what
  // to do, read after it.
  Failure(int number, std::string description, std::string reason, std::string hint)
      : std::runtime_error(hint.empty() ? description : description + " " + hint),
        number_(number),
        description_(std::move(description)),
        reason_(std::move(reason)),
        hint_(std::move(hint)) {}
  int number() const { return number_; }
  // what() without the hint.
  const std::string& description() const { return description_; }
  const std::string& reason() const { return reason_; }
  const std::string& hint() const { return hint_; }
  std::string Message() const { return FailureMessage(number_, what()); }

 private:
  int number_;
  std::string description_;
  std::string reason_;
  std::string hint_;
};

}  // namespace quorvex
