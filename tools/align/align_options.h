// quorvex-align's command line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvex::align {

struct Options {
  std::string port;  // CP; empty: no port, AUTOCONN:0
  bool visible = false;
  int rim = 0;  // pixels
  std::string output;
  bool force = false;
  bool window = false;     // positions count from the window under point 1
  std::string windowText;  // WINDOW; empty: that window's whole title
  bool show = false;
  bool production = false;
  bool help = false;
  bool version = false;
};

// Throws std::invalid_argument with a message for the user.
Options ParseOptions(const std::vector<std::string_view>& arguments);

std::string Usage();

}  // namespace quorvex::align
