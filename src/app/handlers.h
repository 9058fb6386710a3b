#pragma once

#include "app/program.h"
#include "platform/events.h"
#include "platform/host.h"

namespace quorvex {

// Routes each platform event to its handler. Every handler's failure ends in one
// place: its message box, then the end; nothing runs after the end.
class Handlers final : public Events {
 public:
  explicit Handlers(Program& program) : program_(program) {}

  // frmMain's load, then frmMain shown.
  void Start();

  void frmMain_Click() override;
  void frmTwo_Click() override;
  void Timer1_Timer() override;
  void Timer2_Timer() override;
  void MSComm1_OnComm() override;

 private:
  template <typename Handler>
  void Guarded(Handler handler);
  // Codes and clicks: not acted on once a failure's message box is up.
  template <typename Handler>
  void Acting(Handler handler);

  Program& program_;
};

// The whole program on a given platform; returns its exit status.
int Run(Host& host);

}  // namespace quorvex
