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

void EndWithMessage(Program& program, std::string_view message) {
  program.failing = true;
  // Whatever a description quotes (a path, a system's reason) reaches a terminal.
  program.toolkit.MsgBox(WithoutControlBytes(message));
  EndProgram(program, 1);
}

void Fail(Program& program, int number, std::string_view description) {
  EndWithMessage(program, FailureMessage(number, std::string(description)));
}

}  // namespace quorvex
