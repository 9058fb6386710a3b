#include "app/startup.h"

#include <filesystem>
#include <optional>
#include <string>

#include "app/line_tokens.h"
#include "app/reconnect.h"
#include "app/settings.h"
#include "common/quote.h"
#include "common/twips.h"
#include "common/window_title.h"

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
                     Pixels(toolkit, {s.PL2, s.PT2, s.FW2, s.FH2}) +
                     (TitlePart(s.WINDOW).empty()
                          ? std::string(" (pixels)")
                          : " (pixels from the client area of the window whose title holds \"" +
                                Printable(TitlePart(s.WINDOW)) + "\")") +
                     ", port " + (s.AUTOCONN == 1 ? Quote(s.CP) : "none (AUTOCONN)");
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
  // With RECONNECT a port not there yet (an adapter still being set up at boot) is
  // held for as one lost later; a CP that names no port is a mistake all the same.
  std::optional<std::string> notOpened;
  if (s.AUTOCONN == 1) {
    const Port port = PortFromSetting(s.CP, program.platform.MSComm1.Ports());
    try {
      OpenPort(program.platform.MSComm1, port);
      program.log.Write("port opened, sent \"some data\"");
      SayLineCaveat(program, port);
    } catch (const Failure& failure) {
      if (!Reconnects(s)) {
        throw;
      }
      notOpened = failure.what();
    }
  }
  frmTwo::Form_Load(program);
  program.placement.Show(program.platform.frmTwo, true);
  if (Reconnects(s) && !program.platform.MSComm1.IsOpen()) {
    LoseLine(program, notOpened);  // not opened, or the greeting already failed
  }
  StartHeartbeat(program);
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

void OpenPort(SerialLine& MSComm1, const Port& port) {
  MSComm1.Open(port);
  // A line gone already shows at the operator's first click, as one gone later does.
  MSComm1.Write(kGreeting);
  // Whatever already waits (an early answer to the greeting) is not a command.
  MSComm1.TakeInput();
}

void SayLineCaveat(Program& program, const Port& port) {
  const std::string caveat = program.platform.MSComm1.Caveat();
  if (!caveat.empty()) {
    program.platform.toolkit.Notice("The line on " + port.name + ": " + caveat + ".");
  }
}

}  // namespace quorvex
