// A failure that ends the program: shown as "Error <number>: <description>".
#pragma once

#include <stdexcept>
#include <string>

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

class Failure : public std::runtime_error {
 public:
  Failure(int number, const std::string& description)
      : std::runtime_error(description), number_(number) {}
  int number() const { return number_; }
  std::string Message() const { return FailureMessage(number_, what()); }

 private:
  int number_;
};

}  // namespace quorvex
