#include "app/startup.h"

#include <filesystem>

#include "app/reconnect.h"
#include "app/settings.h"
#include "common/quote.h"
#include "common/twips.h"

namespace quorvex {
namespace {

std::string Pixels(const Toolkit& toolkit, const TwipsRect& rect) {
  const double across = toolkit.TwipsPerPixelX();
  const double down = toolkit.TwipsPerPixelY();
  return std::to_string(TwipsToPixels(rect.left, across)) + "," +
         std::to_string(TwipsToPixels(rect.top, down)) + " " +
         std::to_string(TwipsToPixels(rect.width, across)) + "x" +
         std::to_string(TwipsToPixels(rect.height, down));
}

}  // namespace

std::string StartLine(const SettingsRecord& s, const Toolkit& toolkit) {
  std::error_code ignored;
  const auto path = std::filesystem::absolute(kSettingsFileName, ignored).string();
  std::string line = "start: Quorvex " QUORVEX_VERSION ", settings " + Printable(path) +
                     ", frmMain at " + Pixels(toolkit, {s.PL, s.PT, s.FW, s.FH}) + ", frmTwo at " +
                     Pixels(toolkit, {s.PL2, s.PT2, s.FW2, s.FH2}) + " (pixels), port " +
                     (s.AUTOCONN == 1 ? Quote(s.CP) : "none (AUTOCONN)");
  if (s.VERSION == kAlignmentVersion) {
    line += ", alignment mode: overlays drawn visibly (VERSION:101)";
  }
  return line;
}

void frmMain::Form_Load(Program& program) {
  SettingsRecord& s = program.Settings;
  ReadFile(s);
  if (!s.LOG.empty()) {
    program.log.Open(s.LOG);
  }
  program.platform.toolkit.Notice(StartLine(s, program.platform.toolkit));
  program.placement.Begin();
  PlaceWindow(program, program.platform.frmMain, program.placement.Home(program.platform.frmMain));
  if (s.AUTOCONN == 1) {
    OpenPort(program.platform.MSComm1, s);
    program.log.Write("port opened, sent \"some data\"");
  }
  frmTwo::Form_Load(program);
  program.placement.Show(program.platform.frmTwo, true);
  if (Reconnects(s) && !program.platform.MSComm1.IsOpen()) {
    LoseLine(program);  // the greeting already failed
  }
}

void frmTwo::Form_Load(Program& program) {
  PlaceWindow(program, program.platform.frmTwo, program.placement.Home(program.platform.frmTwo));
}

void PlaceWindow(const Program& program, Overlay& window, const TwipsRect& rect) {
  window.Place(rect);
  window.KeepOnTop();
  window.Opacity(OverlayAlpha(program));
}

std::uint8_t OverlayAlpha(const Program& program) {
  return program.lineDown || program.Settings.VERSION == kAlignmentVersion ? kAlignmentAlpha
                                                                           : kOverlayAlpha;
}

void OpenPort(SerialLine& MSComm1, const SettingsRecord& settings) {
  MSComm1.Open(PortFromSetting(settings.CP, MSComm1.Ports()));
  // A line gone already shows at the operator's first click, as one gone later does.
  MSComm1.Write(kGreeting);
  // Whatever already waits (an early answer to the greeting) is not a command.
  MSComm1.TakeInput();
}

}  // namespace quorvex
