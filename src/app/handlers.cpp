// The program's events, each to its handler: start reading here. A byte from the
// controller arrives in MSComm1_OnComm, an operator's click in frmMain_Click or
// frmTwo_Click; start-up is app/startup.cpp.
#include "app/handlers.h"

#include <exception>
#include <string>

#include "app/line_tokens.h"
#include "app/reconnect.h"
#include "app/startup.h"
#include "commands/clicks.h"
#include "common/failure.h"
#include "common/quote.h"
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
    p.placement.Show(p.platform.frmMain, true);
  });
}

namespace {

// A click that cannot be sent is not lost unseen: the operator reads so, and the
// program ends; with RECONNECT the overlays hold until the line is back. One made
// while the line is down is dropped, never kept: sent later it could start a machine.
void Relay(Program& p, std::string_view overlay, Point at, bool (*send)(SerialLine&),
           std::string_view code, std::string_view portClosed) {
  p.log.Write("operator clicked " + std::string(overlay) + " at " + std::to_string(at.x) + "," +
              std::to_string(at.y));
  if (p.lineDown) {
    p.log.Write("line down: nothing sent");
    return;
  }
  if (send(p.platform.MSComm1)) {
    p.log.Write("sent \"" + std::string(code) + "\"");
    return;
  }
  if (Reconnects(p.Settings)) {
    LoseLine(p);
  } else {
    EndWithMessage(p, portClosed);
  }
}

}  // namespace

void Handlers::frmMain_Click(Point at) {
  Guarded([at](Program& p) { Relay(p, "frmMain", at, SendButton1, "101", kPortClosed1); });
}

void Handlers::frmTwo_Click(Point at) {
  Guarded([at](Program& p) { Relay(p, "frmTwo", at, SendButton2, "202", kPortClosed2); });
}

// The restore runs even while a failure's box is up: nothing stays stepped aside.
void Handlers::Timer1_Timer() {
  Guarded([](Program& p) { p.clicks.Timer1_Timer(); }, false);
}

void Handlers::Timer2_Timer() {
  Guarded([](Program& p) { p.clicks.Timer2_Timer(); }, false);
}

// The system may have moved the overlays, or raised something above them, while it
// rearranged the screen: each goes back to its place and on top. One aside for a
// click is left where it is; its restore puts it back.
void Handlers::ScreenChanged() {
  Guarded([](Program& p) {
    for (Overlay* overlay : {&p.platform.frmMain, &p.platform.frmTwo}) {
      if (p.placement.Aside(*overlay)) {
        overlay->KeepOnTop();
      } else {
        PlaceWindow(p, *overlay, p.placement.Home(*overlay));
      }
    }
  });
}

void Handlers::Timer3_Timer() {
  Guarded([](Program& p) { p.clicks.Timer3_Timer(); });
}

void Handlers::Timer4_Timer() {
  Guarded([](Program& p) { RetryLine(p); });
}

void Handlers::Timer5_Timer() {
  Guarded([](Program& p) { Beat(p); });
}

// Taken even while a failure's box is up, and then dropped: input left waiting would
// raise this event again at once.
void Handlers::MSComm1_OnComm() {
  SerialLine& line = program_.platform.MSComm1;
  const std::string input = line.TakeInput();
  if (!input.empty()) {
    program_.log.Write("received " + Quote(input));
  }
  if (!line.IsOpen()) {
    program_.log.Write("port lost");
  }
  Guarded([&input](Program& p) {
    p.dispatcher.DispatchCommand(input);
    // What came before a hang-up still counts; then the line is held for.
    if (Reconnects(p.Settings) && !p.platform.MSComm1.IsOpen()) {
      LoseLine(p);
    }
  });
}

// Overlays follow even while a failure's box is up: nothing is left covering beside
// the window.
void Handlers::Window_Moved() {
  Guarded([](Program& p) { p.placement.WindowMoved(); }, false);
}

int Run(Host& host) {
  Program program(host.Services());
  Handlers handlers(program);
  host.Connect(handlers);
  handlers.Start();
  const int status = host.EventLoop();
  program.log.Write("end: exit status " + std::to_string(status));
  return status;
}

}  // namespace quorvex
