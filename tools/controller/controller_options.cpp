#include "controller_options.h"

#include <stdexcept>

#include "controller_text.h"

namespace quorvex::controller {

const std::string_view kUsage = R"(Usage: quorvex-controller [options] PORT [CODE...]
       quorvex-controller [options] --pty [CODE...]

Holds the controller's end of Quorvex's serial line (9600 baud, 8 data bits,
no parity, 1 stop bit). Prints every code that arrives, with the time (UTC),
and sends codes: those given after PORT, then one per line typed on stdin.

  PORT        a port number n (COMn; /dev/ttyS(n-1) on Linux) or a device
              path such as /dev/ttyUSB0, the same rules as CP in tessora.ini
  --pty       create a pseudo-terminal pair instead and print, as the first
              line, the path to put in CP (e.g. CP:/dev/pts/3); codes given
              as arguments then wait until Quorvex has opened its end
  --answer    answer as a controller would: "10" to "101", "30" to "202"
  --listen    keep running after stdin ends (until interrupted)
  -h, --help  show this help

Codes are sent exactly as typed, without a line end; write \r, \n, \\ or \xNN
for other bytes (e.g. 10\r\n). Output lines look like
  12:34:56.789 recv "101"
  12:34:56.791 sent "10"
Codes Quorvex understands: 10, 20, 30 (clicks), 40 (show), 50 (hide); it sends
"some data" once when it opens the port, 101 and 202 for the operator's clicks.
)";

Options ParseOptions(const std::vector<std::string_view>& arguments) {
  Options options;
  bool positionalOnly = false;
  for (const std::string_view argument : arguments) {
    if (!positionalOnly && argument.starts_with('-') && argument.size() > 1) {
      if (argument == "--") {
        positionalOnly = true;
      } else if (argument == "--pty") {
        options.pty = true;
      } else if (argument == "--answer") {
        options.answer = true;
      } else if (argument == "--listen") {
        options.listen = true;
      } else if (argument == "-h" || argument == "--help") {
        options.help = true;
      } else {
        throw std::invalid_argument("unknown option " + std::string(argument));
      }
    } else if (!options.pty && options.port.empty()) {
      options.port = argument;
    } else {
      options.codes.push_back(Unescape(argument));
    }
  }
  if (!options.help && !options.pty && options.port.empty()) {
    throw std::invalid_argument("no port given (a number, a device path, or --pty)");
  }
  return options;
}

}  // namespace quorvex::controller
