// LOG in tessora.ini: each line with the local time to the millisecond, appended by a
// thread of its own so that a slow file never holds a click back.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "common/log.h"
#include "platform/toolkit.h"

namespace quorvex {

// "2026-12-08 14:53:23.444", local time.
std::string LogTime(std::chrono::system_clock::time_point when);

class FileLog final : public Log {
 public:
  // What waits in memory while the file is slow; past it lines are dropped, and
  // counted in a line of their own.
  static constexpr std::size_t kHeldBytes = std::size_t{1} << 20;
  // The file then becomes NAME.1, the one kept, and a new one begins.
  static constexpr std::uint64_t kRotateBytes = std::uint64_t{10} << 20;

  // Nowhere until Open.
  explicit FileLog(Toolkit& toolkit) : toolkit_(toolkit) {}
  ~FileLog() override;
  FileLog(const FileLog&) = delete;
  FileLog& operator=(const FileLog&) = delete;

  // Throws Failure (75) when the file cannot be opened.
  void Open(const std::string& path);
  bool IsOpen() const { return shared_ != nullptr; }
  void Write(std::string_view text) override;
  // Until what was written is in the file, or `limit` has passed; true if it is.
  bool Flush(std::chrono::milliseconds limit);

 private:
  struct Shared;
  static void Run(std::shared_ptr<Shared> shared);

  Toolkit& toolkit_;
  std::shared_ptr<Shared> shared_;
};

}  // namespace quorvex
