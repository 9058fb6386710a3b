// A file the program only ever appends to: its log.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/failure.h"

namespace quorvex {

class AppendFile {
 public:
  virtual ~AppendFile() = default;
  // All of the bytes, or false. May wait for as long as the file does (a full disk,
  // a stalled share, a pipe nobody reads): never called on the event thread.
  virtual bool Append(std::string_view bytes) = 0;
  // Bytes in the file; 0 for a pipe or a device.
  virtual std::uint64_t Size() const = 0;
};

// The one wording of a log that cannot be had.
inline Failure LogFileFailure(std::string_view path, const std::string& reason) {
  return Failure(failure::kFileAccess,
                 "The log file " + Printable(path) + " cannot be opened: " + reason + ".", reason,
                 "Check LOG in tessora.ini.");
}

}  // namespace quorvex
