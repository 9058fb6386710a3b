#include "app/program.h"

#include <string>

#include "common/failure.h"

namespace quorvex {

void EndWithMessage(Program& program, std::string_view message) {
  program.failing = true;
  program.clicks.AbandonAll();
  // Whatever a description quotes (a path, a system's reason) reaches a terminal.
  program.platform.toolkit.MsgBox(WithoutControlBytes(message));
  program.platform.toolkit.End(1);
}

void Fail(Program& program, int number, std::string_view description) {
  EndWithMessage(program, FailureMessage(number, std::string(description)));
}

}  // namespace quorvex
