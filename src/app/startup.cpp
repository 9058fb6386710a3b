#include "app/startup.h"

#include "app/settings.h"

namespace quorvex {
namespace {

constexpr std::string_view kGreeting = "some data";

}  // namespace

void frmMain::Form_Load(Program& program) {
  SettingsRecord& s = program.Settings;
  ReadFile(s);
  PlaceWindow(s, program.platform.frmMain, {s.PL, s.PT, s.FW, s.FH});
  if (s.AUTOCONN == 1) {
    OpenPort(program.platform.MSComm1, s);
  }
  frmTwo::Form_Load(program);
  program.platform.frmTwo.Show(true);
}

void frmTwo::Form_Load(Program& program) {
  const SettingsRecord& s = program.Settings;
  PlaceWindow(s, program.platform.frmTwo, {s.PL2, s.PT2, s.FW2, s.FH2});
}

void PlaceWindow(const SettingsRecord& settings, Overlay& window, const TwipsRect& rect) {
  window.Place(rect);
  window.KeepOnTop();
  window.Opacity(settings.VERSION == kAlignmentVersion ? kAlignmentAlpha : kOverlayAlpha);
}

void OpenPort(SerialLine& MSComm1, const SettingsRecord& settings) {
  MSComm1.Open(PortFromSetting(settings.CP, MSComm1.Ports()));
  // A line gone already shows at the operator's first click, as one gone later does.
  MSComm1.Write(kGreeting);
  // Whatever already waits (an early answer to the greeting) is not a command.
  MSComm1.TakeInput();
}

}  // namespace quorvex
