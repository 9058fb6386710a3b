#include "commands/clicks.h"

#include <array>

#include "platform/twips.h"
#include "platform/virtual_screen.h"

namespace quorvex {
namespace {

// The press and the release carry the point themselves, and go in one call: no
// other program's input, nor the operator's hand on the mouse, can come between the
// move and the press.
void ClickAt(User32& user32, std::int32_t x, std::int32_t y) {
  Point saved;
  user32.GetCursorPos(saved);
  constexpr std::uint32_t kAt =
      user32::kMouseEventMove | user32::kMouseEventAbsolute | user32::kMouseEventVirtualDesk;
  const MouseInput at{
      .dx = ToAbsolute(x, user32.GetSystemMetrics(user32::kSmXVirtualScreen),
                       user32.GetSystemMetrics(user32::kSmCxVirtualScreen)),
      .dy = ToAbsolute(y, user32.GetSystemMetrics(user32::kSmYVirtualScreen),
                       user32.GetSystemMetrics(user32::kSmCyVirtualScreen)),
  };
  std::array<MouseInput, 2> click{at, at};
  click[0].dwFlags = kAt | user32::kMouseEventLeftDown;
  click[1].dwFlags = kAt | user32::kMouseEventLeftUp;
  user32.SendInput(click);
  user32.SetCursorPos(saved.x, saved.y);
}

struct Overlay {
  OverlayWindow& window;
  Timer& restore;
  std::int16_t left, width, height;  // twips, as placed
};

// Top 0 leaves the overlay over the point when the button lies within its height of
// the top edge; it then goes wholly above the edge for this click.
double AsideTop(const Toolkit& toolkit, const Overlay& overlay, Point point) {
  const bool covers =
      CoversAtTopEdge(TwipsToPixels(overlay.left, toolkit.TwipsPerPixelX()),
                      TwipsToPixels(overlay.width, toolkit.TwipsPerPixelX()),
                      TwipsToPixels(overlay.height, toolkit.TwipsPerPixelY()), point);
  return covers ? -static_cast<double>(overlay.height) : 0.0;
}

void StepAsideAndClick(Program& program, const Overlay& overlay, std::int32_t x, std::int32_t y) {
  overlay.window.Top(AsideTop(program.toolkit, overlay, {.x = x, .y = y}));
  ClickAt(program.user32, x, y);
  overlay.restore.Enabled(true);
}

void PutBack(OverlayWindow& window, Timer& timer, std::int16_t left, std::int16_t top) {
  window.Left(left);
  window.Top(top);
  timer.Enabled(false);
}

}  // namespace

bool CoversAtTopEdge(int left, int width, int height, Point point) {
  return point.x >= left && point.x < left + width && point.y >= 0 && point.y < height;
}

void ClickStart(Program& program) {
  const SettingsRecord& s = program.Settings;
  StepAsideAndClick(program, {program.frmMain, program.Timer1, s.PL, s.FW, s.FH}, s.STRX, s.STRY);
}

void ClickStop(Program& program) {
  ClickAt(program.user32, program.Settings.STPX, program.Settings.STPY);
}

void ClickStart2(Program& program) {
  const SettingsRecord& s = program.Settings;
  StepAsideAndClick(program, {program.frmTwo, program.Timer2, s.PL2, s.FW2, s.FH2}, s.STRX2,
                    s.STRY2);
}

void Timer1_Timer(Program& program) {
  PutBack(program.frmMain, program.Timer1, program.Settings.PL, program.Settings.PT);
}

void Timer2_Timer(Program& program) {
  PutBack(program.frmTwo, program.Timer2, program.Settings.PL2, program.Settings.PT2);
}

}  // namespace quorvex
