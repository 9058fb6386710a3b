// The controller tool's command line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvex::controller {

struct Options {
  std::string port;  // a port number or a device path; empty with --pty
  bool pty = false;
  bool answer = false;
  bool listen = false;
  bool help = false;
  std::vector<std::string> codes;  // the bytes to send, escapes resolved
};

// Throws std::invalid_argument with a message for the user.
Options ParseOptions(const std::vector<std::string_view>& arguments);

extern const std::string_view kUsage;

}  // namespace quorvex::controller
