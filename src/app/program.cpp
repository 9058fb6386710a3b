#include "app/program.h"

#include <string>

#include "app/line_tokens.h"
#include "common/failure.h"

namespace quorvex {

void LoggedToolkit::Notice(std::string_view text) {
  log_.Write(text);
  toolkit_.Notice(text);
}

Program::Program(const Platform& services)
    : log(services.toolkit),
      toolkit(services.toolkit, log),
      platform{.frmMain = services.frmMain,
               .frmTwo = services.frmTwo,
               .Timer1 = services.Timer1,
               .Timer2 = services.Timer2,
               .Timer3 = services.Timer3,
               .Timer4 = services.Timer4,
               .Timer5 = services.Timer5,
               .MSComm1 = services.MSComm1,
               .pointer = services.pointer,
               .toolkit = toolkit,
               .window = services.window},
      clicks(placement, [this](std::string_view code, bool made) { Report(*this, code, made); }) {}

void EndWithMessage(Program& program, std::string_view message) {
  program.failing = true;
  program.log.Write("failure: " + WithoutControlBytes(message));
  program.clicks.AbandonAll();
  // Whatever a description quotes (a path, a system's reason) reaches a terminal.
  program.platform.toolkit.MsgBox(WithoutControlBytes(message));
  program.platform.toolkit.End(1);
}

void Fail(Program& program, int number, std::string_view description) {
  EndWithMessage(program, FailureMessage(number, std::string(description)));
}

}  // namespace quorvex
