// The line engineer's log: one line an event, or nowhere without LOG in tessora.ini.
#pragma once

#include <string_view>

namespace quorvex {

class Log {
 public:
  virtual ~Log() = default;
  // One line, without its time or its end; never waits for the file.
  virtual void Write(std::string_view text) = 0;
};

}  // namespace quorvex
