#include "app/reconnect.h"

#include <string>

#include "app/startup.h"

namespace quorvex {
namespace {

std::string PortName(const Program& program) {
  try {
    return PortFromSetting(program.Settings.CP, program.platform.MSComm1.Ports()).name;
  } catch (const Failure&) {
    return program.Settings.CP;  // CP named a port at start, so never here
  }
}

// As lineDown says: drawn held, or back to their own opacity.
void HoldOverlays(const Program& program) {
  for (Overlay* overlay : {&program.platform.frmMain, &program.platform.frmTwo}) {
    overlay->Held(program.lineDown);
    overlay->Opacity(OverlayAlpha(program));
  }
}

}  // namespace

bool Reconnects(const SettingsRecord& settings) {
  return settings.RECONNECT == 1 && settings.AUTOCONN == 1;
}

void LoseLine(Program& program, const std::optional<std::string>& notOpened) {
  if (program.lineDown) {
    return;
  }
  program.lineDown = true;
  // A code begun on the lost line is not completed by the next one's first byte.
  program.dispatcher.Forget();
  HoldOverlays(program);
  const std::string reason = notOpened.value_or(program.platform.MSComm1.LostReason());
  program.platform.toolkit.Notice(
      "The line on " + PortName(program) + (notOpened ? " cannot be opened yet" : " is lost") +
      (reason.empty() ? "" : " (" + reason + ")") +
      "; the buttons stay held and a try to open it again follows each second.");
  program.platform.Timer4.Enabled(true);
}

void RetryLine(Program& program) {
  SerialLine& line = program.platform.MSComm1;
  if (!program.lineDown) {
    program.platform.Timer4.Enabled(false);
    return;
  }
  const Port port = PortFromSetting(program.Settings.CP, line.Ports());
  try {
    line.Open(port);
  } catch (const Failure&) {
    return;  // not there yet: the next try is a second away
  }
  // What waited was said to no one.
  line.TakeInput();
  if (!line.Write(kGreeting)) {
    return;
  }
  program.lineDown = false;
  program.platform.Timer4.Enabled(false);
  HoldOverlays(program);
  program.platform.toolkit.Notice("The line on " + PortName(program) + " is back.");
  SayLineCaveat(program, port);
}

}  // namespace quorvex
