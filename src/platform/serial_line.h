// The serial line to the controller, in four verbs, and why it was lost.
#pragma once

#include <string>
#include <string_view>

#include "common/port.h"

namespace quorvex {

// Baud, parity (n, e, o, m or s), data bits, stop bits.
struct LineSettings {
  int baud = 9600;
  char parity = 'n';
  int dataBits = 8;
  int stopBits = 1;
};

// The line the controller speaks: 9600 baud, no parity, 8 data bits, 1 stop bit.
constexpr LineSettings kLine{};

// The serial ports there are now, as the operator reads them ("/dev/ttyUSB0, COM1
// (/dev/ttyS0)"; "COM1, COM4"); empty when there are none.
std::string PresentPorts();
// Whether `port` is there now; it may still be held by another program.
bool PortPresent(const Port& port);

// The platform raises MSComm1_OnComm when input or a hang-up is there.
class SerialLine {
 public:
  virtual ~SerialLine() = default;
  // How this platform names its ports, for PortFromSetting.
  virtual PortSystem Ports() const = 0;
  // Opens `port` with kLine, exclusively; throws PortFailure.
  virtual void Open(const Port& port) = 0;
  // False until opened, and once the line has hung up or failed.
  virtual bool IsOpen() const = 0;
  // Queues the bytes, adding nothing, and returns at once. False when the port is
  // closed or the line is known to be gone: nothing will be sent.
  virtual bool Write(std::string_view bytes) = 0;
  // Everything received so far; empty when nothing is, or the line is gone.
  virtual std::string TakeInput() = 0;
  // Why an opened line was lost, in the system's words; empty while it is open.
  virtual std::string LostReason() const = 0;
};

}  // namespace quorvex
