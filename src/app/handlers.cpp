// The program's events, each to its handler: start reading here. A byte from the
// controller arrives in MSComm1_OnComm, an operator's click in frmMain_Click or
// frmTwo_Click; start-up is app/startup.cpp.
#include "app/handlers.h"

#include <exception>
#include <string>

#include "app/startup.h"
#include "commands/clicks.h"
#include "common/failure.h"
#include "relay/relay.h"

namespace quorvex {

template <typename Handler>
void Handlers::Guarded(Handler handler, bool acts) {
  if (acts && program_.failing) {
    return;
  }
  try {
    handler(program_);
  } catch (const Failure& failure) {
    Fail(program_, failure.number(), failure.what());
  } catch (const std::exception& error) {
    Fail(program_, failure::kInternal, error.what());
  }
}

void Handlers::Start() {
  Guarded([](Program& p) {
    frmMain::Form_Load(p);
    p.platform.frmMain.Show(true);
  });
}

// A click that cannot be sent is not lost unseen: the operator reads so, and the
// program ends.
void Handlers::frmMain_Click() {
  Guarded([](Program& p) {
    if (!SendButton1(p.platform.MSComm1)) {
      EndWithMessage(p, kPortClosed1);
    }
  });
}

void Handlers::frmTwo_Click() {
  Guarded([](Program& p) {
    if (!SendButton2(p.platform.MSComm1)) {
      EndWithMessage(p, kPortClosed2);
    }
  });
}

// The restore runs even while a failure's box is up: nothing stays stepped aside.
void Handlers::Timer1_Timer() {
  Guarded([](Program& p) { p.clicks.Timer1_Timer(); }, false);
}

void Handlers::Timer2_Timer() {
  Guarded([](Program& p) { p.clicks.Timer2_Timer(); }, false);
}

// The system may have moved the overlays, or raised something above them, while it
// rearranged the screen: each goes back to its configured place and on top. One aside
// for a click is left where it is; its restore puts it back.
void Handlers::ScreenChanged() {
  Guarded([](Program& p) {
    const SettingsRecord& s = p.Settings;
    const struct {
      Overlay& overlay;
      TwipsRect home;
    } overlays[] = {{p.platform.frmMain, {s.PL, s.PT, s.FW, s.FH}},
                    {p.platform.frmTwo, {s.PL2, s.PT2, s.FW2, s.FH2}}};
    for (const auto& [overlay, home] : overlays) {
      if (p.clicks.Aside(overlay)) {
        overlay.KeepOnTop();
      } else {
        PlaceWindow(s, overlay, home);
      }
    }
  });
}

void Handlers::Timer3_Timer() {
  Guarded([](Program& p) { p.clicks.Timer3_Timer(); });
}

// Taken even while a failure's box is up, and then dropped: input left waiting would
// raise this event again at once.
void Handlers::MSComm1_OnComm() {
  const std::string input = program_.platform.MSComm1.TakeInput();
  Guarded([&input](Program& p) { p.dispatcher.DispatchCommand(input); });
}

int Run(Host& host) {
  Program program(host.Services());
  Handlers handlers(program);
  host.Connect(handlers);
  handlers.Start();
  return host.EventLoop();
}

}  // namespace quorvex
