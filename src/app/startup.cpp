#include "app/startup.h"

#include "app/settings.h"

namespace quorvex {
namespace {

constexpr std::string_view kGreeting = "some data";

}  // namespace

void frmMain::Form_Load(Program& program) {
  SettingsRecord& s = program.Settings;
  ReadFile(s);
  program.placement.Begin();
  PlaceWindow(s, program.platform.frmMain, program.placement.Home(program.platform.frmMain));
  if (s.AUTOCONN == 1) {
    OpenPort(program.platform.MSComm1, s);
  }
  frmTwo::Form_Load(program);
  program.placement.Show(program.platform.frmTwo, true);
}

void frmTwo::Form_Load(Program& program) {
  PlaceWindow(program.Settings, program.platform.frmTwo,
              program.placement.Home(program.platform.frmTwo));
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
