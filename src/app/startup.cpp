#include "app/startup.h"

#include <string>

#include "platform/serial_port.h"

namespace quorvex {
namespace {

constexpr std::uint32_t kColorKey = 0xFFFF;  // ignored: only LWA_ALPHA is given
constexpr std::string_view kLineSettings = "9600,n,8,1";
constexpr std::string_view kGreeting = "some data";

}  // namespace

void frmMain::Form_Load(Program& program) {
  SettingsRecord& s = program.Settings;
  ReadFile(s);
  PlaceWindow(program, program.frmMain, s.PL, s.PT, s.FW, s.FH);
  if (s.AUTOCONN == 1) {
    OpenPort(program);
  }
  frmTwo::Form_Load(program);
  program.frmTwo.Visible(true);
}

void frmTwo::Form_Load(Program& program) {
  const SettingsRecord& s = program.Settings;
  PlaceWindow(program, program.frmTwo, s.PL2, s.PT2, s.FW2, s.FH2);
}

void PlaceWindow(Program& program, OverlayWindow& window, std::int16_t left, std::int16_t top,
                 std::int16_t width, std::int16_t height) {
  window.Left(left);
  window.Top(top);
  window.Width(width);
  window.Height(height);
  const std::uint32_t hWnd = window.hWnd();
  program.user32.SetWindowPos(hWnd, user32::kHwndTopmost, 0, 0, 0, 0,
                              user32::kSwpNoSize | user32::kSwpNoMove | user32::kSwpNoActivate);
  const bool aligning = program.Settings.VERSION == kAlignmentVersion;
  SetTransparency(program.user32, hWnd, aligning ? kAlignmentAlpha : kOverlayAlpha);
}

void SetTransparency(User32& user32, std::uint32_t hWnd, std::int16_t alpha) {
  if (alpha <= 0) {
    return;
  }
  const std::int32_t style = user32.GetWindowLongA(hWnd, user32::kGwlExStyle);
  user32.SetWindowLongA(hWnd, user32::kGwlExStyle, style | user32::kWsExLayered);
  user32.SetLayeredWindowAttributes(hWnd, kColorKey, static_cast<std::uint8_t>(alpha),
                                    user32::kLwaAlpha);
}

void OpenPort(Program& program) {
  CommControl& comm = program.MSComm1;
  comm.CommPort(PortFromSetting(program.Settings.CP, comm.Ports()));
  comm.Settings(kLineSettings);
  comm.RThreshold(1);
  comm.SThreshold(1);
  comm.PortOpen(true);
  // A line gone already shows at the operator's first click, as one gone later does.
  comm.Output(kGreeting);
  // Whatever already waits (an early answer to the greeting) is not a command.
  comm.Input();
}

}  // namespace quorvex
