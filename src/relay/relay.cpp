#include "relay/relay.h"

namespace quorvex {
namespace {

void Send(Program& program, std::string_view code, std::string_view closedMessage) {
  // A code the line does not take is a click lost: it says so as a closed port does.
  if (program.MSComm1.PortOpen() && program.MSComm1.Output(code)) {
    return;
  }
  EndWithMessage(program, closedMessage);
}

}  // namespace

void frmMain::Form_Click(Program& program) {
  SendButton1(program);
}

void frmTwo::Form_Click(Program& program) {
  program.txtIncoming.Text(std::string(kRelayText));
}

void SendButton1(Program& program) {
  Send(program, "101", "Port is closed.");
}

void txtIncoming_Change(Program& program) {
  if (program.txtIncoming.Text() != kRelayText) {
    return;
  }
  program.txtIncoming.Text("");
  SendButton2(program);
}

void SendButton2(Program& program) {
  Send(program, "202", "Port is closed. Button 2");
}

}  // namespace quorvex
