// The controller tool's command line.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "common/failure.h"

namespace quorvex::controller {

struct Options {
  std::string port;  // a port number or a device path; empty with --pty
  bool pty = false;
  std::string ptyLink;  // --pty PATH: a symbolic link to the pseudo-terminal
  bool answer = false;
  bool listen = false;
  std::chrono::milliseconds heartbeat{0};  // --heartbeat: Quorvex's HEARTBEAT; 0: not watched
  bool help = false;
  bool version = false;
  std::vector<std::string> codes;  // the bytes to send, escapes resolved
};

// Quorvex's HEARTBEAT range, which --heartbeat takes too.
inline constexpr int kHeartbeatMinMs = 100;
inline constexpr int kHeartbeatMaxMs = 30000;

// Throws std::invalid_argument with a message for the user.
Options ParseOptions(const std::vector<std::string_view>& arguments);

// A line of advice after a port failure: the ports there are, the way out, or the
// failure's own hint; empty when there is nothing to add.
std::string PortAdvice(const Failure& failure, std::string_view presentPorts);

enum class UsageFor { kPosix, kWindows };
// --help: the same tool, told in each platform's port names.
std::string Usage(UsageFor platform);

}  // namespace quorvex::controller
