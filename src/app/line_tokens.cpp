#include "app/line_tokens.h"

#include <chrono>
#include <string>

#include "app/reconnect.h"
#include "common/quote.h"

namespace quorvex {
namespace {

// Nothing is written while the line is held for or a failure's box is up: nothing
// could be. A line found gone is held for, with RECONNECT, as at the operator's click;
// without, that click will say so.
void Say(Program& p, std::string_view token) {
  SerialLine& line = p.platform.MSComm1;
  if (p.failing || p.lineDown || !line.IsOpen()) {
    return;
  }
  if (line.Write(token)) {
    p.log.Write("sent " + Quote(token));
  } else if (Reconnects(p.Settings)) {
    LoseLine(p);
  } else {
    p.log.Write("port lost: " + Quote(token) + " not sent");
  }
}

}  // namespace

void Report(Program& program, std::string_view code, bool made) {
  if (program.Settings.REPORT == 1 && !code.empty()) {
    Say(program, std::string{code.front(), made ? '1' : '9'});
  }
}

void StartHeartbeat(Program& program) {
  if (program.Settings.HEARTBEAT > 0) {
    Timer& timer = program.platform.Timer5;
    timer.Interval(std::chrono::milliseconds(program.Settings.HEARTBEAT));
    timer.Enabled(true);
  }
}

void Beat(Program& program) {
  Say(program, "00");
}

}  // namespace quorvex
