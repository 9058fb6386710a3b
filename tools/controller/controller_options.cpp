#include "controller_options.h"

#include <charconv>
#include <stdexcept>

#include "common/port.h"
#include "controller_text.h"

namespace quorvex::controller {

namespace {

constexpr std::string_view kPosixHead =
    R"usage(Usage: quorvex-controller [--answer] [--listen] [--heartbeat N] PORT [CODE...]
       quorvex-controller [--answer] [--listen] [--heartbeat N] --pty [PATH]
                          [CODE...]

Plays the controller at the other end of Quorvex's serial line: for commissioning
a line, or for trying Quorvex without one. Opens PORT at 9600 baud, 8 data bits,
no parity, 1 stop bit; prints every code that arrives, with the time (UTC); sends
the CODEs given, then each line typed on its input (Ctrl-D ends).

  PORT        3 or COM3 for COM3, which Linux calls /dev/ttyS2 (the rule of
              CP:3 in tessora.ini), or a device path: /dev/ttyUSB0,
              /dev/serial/by-id/...
  --pty       no cable needed: create a pseudo-terminal and print its path as
              the first line; put it in tessora.ini (CP:/dev/pts/3) and start
              Quorvex. The CODEs wait until Quorvex has opened it. While nobody
              has it open, a code is not sent: 'not sent "10": nobody has the
              line open'.
  --pty PATH  the same, and PATH (it must hold a /: ./port, ~/line1/port)
              becomes a symbolic link to it, printed as the first line instead:
              CP:/home/op/line1/port stays right each time the tool starts. An
              existing link is replaced, any other file refused; the link goes
              when the tool ends. --pty=PATH takes any path.
)usage";

constexpr std::string_view kWindowsHead =
    R"usage(Usage: quorvex-controller [--answer] [--listen] [--heartbeat N] PORT [CODE...]

Plays the controller at the other end of Quorvex's serial line: for commissioning
a line, or for checking a cable. Opens PORT at 9600 baud, 8 data bits, no parity,
1 stop bit; prints every code that arrives, with the time (UTC); sends the CODEs
given, then each line typed on its input (Ctrl-Z and Enter end).

  PORT        3 or COM3 for COM3 (the rule of CP:3 in tessora.ini); COM10 and
              above work too. Device Manager lists the ports under
              "Ports (COM & LPT)".
)usage";

constexpr std::string_view kOptionsAndCodes =
    R"usage(  --answer    answer as the line's controller would: "10" to "101" (the operator
              clicked overlay 1: press the first button), "30" to "202"
              (overlay 2: press the second)
  --listen    keep running when the typed input ends (stop it with Ctrl-C)
  --heartbeat N
              watch Quorvex's heartbeat, HEARTBEAT:N in tessora.ini (N ms, 100
              to 30000): with no "00" for 3 intervals, one line says Quorvex
              is gone and the buttons may be bare; one more when they are back
  -h, --help  show this help
  --version   show the version

Codes go out as written, with no line end; write \r, \n, \t, \", \\ or \xNN
for other bytes (10\r\n); a typed line with a malformed escape is not sent, and
said so.
Quorvex sends "some data" once when it opens its port, then 101 and 202 for the
operator's clicks on overlay 1 and 2. It acts on 10, 20 and 30 (click the points
STRX/STRY, STPX/STPY, STRX2/STRY2) and 40 and 50 (show and hide both overlays).
With REPORT:1 it tells each click's outcome, 11/21/31 made, 19/29/39 not made;
with HEARTBEAT it sends 00 at its interval. Each code is shown on a line of
its own as it completes, these named; bytes that begin no code as they are.

Output:   12:34:56.789 recv "101"
          12:34:56.791 sent "10"
          12:34:56.805 recv "11" (10 made)
          12:34:57.000 recv "00" (heartbeat)
Example:  quorvex-controller --answer 3
Exit status: 0 when the input ends, 1 when the port fails, the line closes or
what was typed cannot go out, 2 for a mistake on the command line.
)usage";

std::string HeartbeatRange() {
  return "milliseconds from " + std::to_string(kHeartbeatMinMs) + " to " +
         std::to_string(kHeartbeatMaxMs) + ", as HEARTBEAT in tessora.ini";
}

std::chrono::milliseconds HeartbeatInterval(std::string_view text) {
  int ms = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), ms);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
      ms < kHeartbeatMinMs || ms > kHeartbeatMaxMs) {
    throw std::invalid_argument("--heartbeat " + std::string(text) + ": the interval is in " +
                                HeartbeatRange());
  }
  return std::chrono::milliseconds(ms);
}

}  // namespace

std::string PortAdvice(const Failure& failure, std::string_view presentPorts) {
  switch (failure.number()) {
    case failure::kInvalidPort:
      return PresentPortsText(presentPorts) + (presentPorts.empty()
                                                   ? " Plug the adapter in, or check its driver."
                                                   : " Give one of them as PORT.");
    case failure::kPortInUse:
      return "Another program holds it (a terminal program, or Quorvex itself): close it, or "
             "run this tool at the other end of the line.";
    default:
      return failure.hint();
  }
}

std::string Usage(UsageFor platform) {
  std::string text(platform == UsageFor::kWindows ? kWindowsHead : kPosixHead);
  return text.append(kOptionsAndCodes);
}

Options ParseOptions(const std::vector<std::string_view>& arguments) {
  Options options;
  bool positionalOnly = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    if (!positionalOnly && argument.starts_with("--pty=")) {
      options.pty = true;
      options.ptyLink = argument.substr(6);
      if (options.ptyLink.empty()) {
        throw std::invalid_argument("--pty= needs a path for the link");
      }
    } else if (!positionalOnly && argument.starts_with('-') && argument.size() > 1) {
      if (argument == "--") {
        positionalOnly = true;
      } else if (argument == "--pty") {
        options.pty = true;
        // A path holds a slash; a code never does, so "--pty 40" still sends 40.
        if (i + 1 < arguments.size() && !arguments[i + 1].starts_with('-') &&
            arguments[i + 1].find('/') != std::string_view::npos) {
          options.ptyLink = arguments[++i];
        }
      } else if (argument == "--answer") {
        options.answer = true;
      } else if (argument == "--listen") {
        options.listen = true;
      } else if (argument == "--heartbeat") {
        if (i + 1 == arguments.size()) {
          throw std::invalid_argument("--heartbeat needs the interval: " + HeartbeatRange());
        }
        options.heartbeat = HeartbeatInterval(arguments[++i]);
      } else if (argument.starts_with("--heartbeat=")) {
        options.heartbeat = HeartbeatInterval(argument.substr(12));
      } else if (argument == "-h" || argument == "--help") {
        options.help = true;
      } else if (argument == "--version") {
        options.version = true;
      } else {
        throw std::invalid_argument("unknown option " + std::string(argument));
      }
    } else if (!options.pty && options.port.empty()) {
      options.port = argument;
    } else {
      options.codes.push_back(Unescape(argument));
    }
  }
  if (!options.help && !options.version && !options.pty && options.port.empty()) {
    throw std::invalid_argument("no port given (a number, a device path, or --pty)");
  }
  return options;
}

}  // namespace quorvex::controller
