// The desktop's services the logic uses: message boxes, the screen's scale, the end.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "platform/append_file.h"

namespace quorvex {

constexpr std::string_view kApplicationTitle = "Quorvex";

class Toolkit {
 public:
  virtual ~Toolkit() = default;
  // Modal for the operator: text, OK only, no icon, kApplicationTitle as caption.
  // Timer and serial events go on being delivered until it returns.
  virtual void MsgBox(std::string_view text) = 0;
  // Something the operator or the line engineer should know of, that ends nothing
  // (a click that could not be made, the line lost): standard error on Linux.
  virtual void Notice(std::string_view text) = 0;
  // The screen's twips per pixel, across and down: 1440 / its dots per inch.
  virtual double TwipsPerPixelX() const = 0;
  virtual double TwipsPerPixelY() const = 0;
  // Opens `path` for appending, creating it; a pipe or a device never makes this
  // wait. Throws Failure (75) naming the path and the system's reason. Safe on any
  // thread.
  virtual std::unique_ptr<AppendFile> OpenForAppend(const std::string& path) = 0;
  // Renames the file `from` to `to` in one step, replacing a file there; false when
  // the system refuses. Safe on any thread.
  virtual bool MoveReplacing(const std::string& from, const std::string& to) = 0;
  // The time, for deadlines: steady, never set back.
  virtual std::chrono::steady_clock::time_point Now() const = 0;
  // Ends the program: the event loop returns `status` and no further event is delivered.
  virtual void End(int status) = 0;
};

}  // namespace quorvex
