#include "commands/clicks.h"

namespace quorvex {
namespace {

// The button events carry no coordinates: the click lands where the cursor was put.
void ClickAt(User32& user32, std::int32_t x, std::int32_t y) {
  Point saved;
  user32.GetCursorPos(saved);
  user32.SetCursorPos(x, y);
  user32.mouse_event(user32::kMouseEventLeftDown, 0, 0, 0, 0);
  user32.mouse_event(user32::kMouseEventLeftUp, 0, 0, 0, 0);
  user32.SetCursorPos(saved.x, saved.y);
}

void StepAsideAndClick(Program& program, OverlayWindow& window, Timer& restore, std::int32_t x,
                       std::int32_t y) {
  window.Top(0);
  ClickAt(program.user32, x, y);
  restore.Enabled(true);
}

void PutBack(OverlayWindow& window, Timer& timer, std::int16_t left, std::int16_t top) {
  window.Left(left);
  window.Top(top);
  timer.Enabled(false);
}

}  // namespace

void ClickStart(Program& program) {
  StepAsideAndClick(program, program.frmMain, program.Timer1, program.Settings.STRX,
                    program.Settings.STRY);
}

void ClickStop(Program& program) {
  ClickAt(program.user32, program.Settings.STPX, program.Settings.STPY);
}

void ClickStart2(Program& program) {
  StepAsideAndClick(program, program.frmTwo, program.Timer2, program.Settings.STRX2,
                    program.Settings.STRY2);
}

void Timer1_Timer(Program& program) {
  PutBack(program.frmMain, program.Timer1, program.Settings.PL, program.Settings.PT);
}

void Timer2_Timer(Program& program) {
  PutBack(program.frmTwo, program.Timer2, program.Settings.PL2, program.Settings.PT2);
}

}  // namespace quorvex
