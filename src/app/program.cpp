#include "app/program.h"

#include <string>

#include "platform/failure.h"
#include "relay/relay.h"

namespace quorvex {

Program::Program(const Platform& platform)
    : frmMain(platform.frmMain),
      frmTwo(platform.frmTwo),
      Timer1(platform.Timer1),
      Timer2(platform.Timer2),
      MSComm1(platform.MSComm1),
      user32(platform.user32),
      toolkit(platform.toolkit),
      txtIncoming([this] { txtIncoming_Change(*this); }) {}

void EndProgram(Program& program, int status) {
  program.ended = true;
  program.toolkit.End(status);
}

void Fail(Program& program, int number, std::string_view description) {
  program.toolkit.MsgBox(FailureMessage(number, std::string(description)));
  EndProgram(program, 1);
}

}  // namespace quorvex
