#include "commands/dispatcher.h"

#include "commands/clicks.h"

namespace quorvex {
namespace {

bool BeginsCode(char c) {
  return c >= '1' && c <= '5';
}
bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}

void ShowBoth(Program& program, bool visible) {
  program.frmMain.Visible(visible);
  program.frmTwo.Visible(visible);
}

// `first` is the code's first character; the second is always "0".
void Act(Program& program, char first) {
  switch (first) {
    case '1':
      ClickStart(program);
      break;
    case '2':
      ClickStop(program);
      break;
    case '3':
      ClickStart2(program);
      break;
    case '4':
      ShowBoth(program, true);
      break;
    case '5':
      ShowBoth(program, false);
      break;
    default:
      break;
  }
}

}  // namespace

void MSComm1_OnComm(Program& program) {
  if (program.MSComm1.CommEvent() == comm_event::kSend) {
    return;
  }
  DispatchCommand(program, program.MSComm1.Input());
}

void DispatchCommand(Program& program, std::string_view input) {
  if (input.empty()) {
    return;
  }
  if (const auto kept = std::exchange(program.keptCodeStart, std::nullopt)) {
    if (input.front() == '0') {
      Act(program, *kept);
      input.remove_prefix(1);
    }
  }
  while (!program.ended) {
    while (!input.empty() && IsLineEnd(input.front())) {
      input.remove_prefix(1);
    }
    if (input.size() == 1 && BeginsCode(input.front())) {
      program.keptCodeStart = input.front();
      return;
    }
    if (input.size() < 2 || !BeginsCode(input[0]) || input[1] != '0') {
      return;
    }
    Act(program, input[0]);
    input.remove_prefix(2);
  }
}

}  // namespace quorvex
