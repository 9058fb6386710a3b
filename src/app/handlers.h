// Where each platform event goes. Start reading here, after a platform's main().
#pragma once

#include "app/program.h"
#include "platform/host.h"

namespace quorvex {

// Routes each platform event to its handler. Every handler's failure ends in one
// place: its message box, then the end. No platform raises an event after the end.
class Handlers final : public Events {
 public:
  explicit Handlers(Program& program) : program_(program) {}

  // frmMain's load, then frmMain shown.
  void Start();

  void frmMain_Click(Point at) override;
  void frmTwo_Click(Point at) override;
  void Timer1_Timer() override;
  void Timer2_Timer() override;
  void Timer3_Timer() override;
  void ScreenChanged() override;
  void Timer4_Timer() override;
  void Timer5_Timer() override;
  void MSComm1_OnComm() override;
  void Window_Moved() override;

 private:
  // Codes and clicks `act`: they are dropped once a failure's message box is up.
  template <typename Handler>
  void Guarded(Handler handler, bool acts = true);

  Program& program_;
};

// The whole program on a given platform; returns its exit status.
int Run(Host& host);

}  // namespace quorvex
