#include "app/handlers.h"

#include <exception>

#include "app/startup.h"
#include "commands/clicks.h"
#include "commands/dispatcher.h"
#include "platform/failure.h"
#include "relay/relay.h"

namespace quorvex {

template <typename Handler>
void Handlers::Guarded(Handler handler) {
  if (program_.ended) {
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

template <typename Handler>
void Handlers::Acting(Handler handler) {
  if (!program_.failing) {
    Guarded(handler);
  }
}

void Handlers::Start() {
  Guarded([](Program& p) {
    frmMain::Form_Load(p);
    p.frmMain.Visible(true);
  });
}

void Handlers::frmMain_Click() {
  Acting(frmMain::Form_Click);
}
void Handlers::frmTwo_Click() {
  Acting(frmTwo::Form_Click);
}
void Handlers::Timer1_Timer() {
  Guarded(quorvex::Timer1_Timer);
}
void Handlers::Timer2_Timer() {
  Guarded(quorvex::Timer2_Timer);
}
void Handlers::MSComm1_OnComm() {
  Acting(quorvex::MSComm1_OnComm);
}

int Run(Host& host) {
  Program program(host.Services());
  Handlers handlers(program);
  host.Connect(handlers);
  handlers.Start();
  return host.EventLoop();
}

}  // namespace quorvex
