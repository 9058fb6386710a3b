// Which serial port a setting or a command line names, and how a port failure reads:
// one rule for the program and the controller tool, on every platform.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/failure.h"

namespace quorvex {

// How the system names its ports: COMn alone, or COMn as /dev/ttyS(n-1) and any
// device path besides.
enum class PortSystem { kWindows, kPosix };

struct Port {
  std::int16_t number = 0;  // n of COMn; 0 when a device path names the port
  std::string device;       // what the system opens: \\.\COM3, /dev/ttyS2, /dev/ttyUSB0
  std::string name;         // what the operator reads: COM3, COM3 (/dev/ttyS2), /dev/ttyUSB0
  friend bool operator==(const Port&, const Port&) = default;
};

// COMn on that system.
Port NumberedPort(std::int16_t number, PortSystem system);

// CP: a number for COMn (blanks around it, a sign and a fraction as every value
// has them) or, on POSIX, a device path beginning with "/". Throws Failure: 6 out
// of range, 13 not a number, 8002 a number below 1.
Port PortFromSetting(std::string_view cp, PortSystem system);

// The controller tool's PORT: CP's rule, with "COM3" (any case) taken as 3 too.
// Throws Failure 8002 for anything else.
Port PortFromArgument(std::string_view argument, PortSystem system);

// Why a port cannot be had; each has its failure number.
enum class PortProblem {
  kMissing,         // 8002: no such port
  kNotSerial,       // 8002: something that is not a serial port
  kInUse,           // 8005: another program holds it
  kCannotOpen,      // 8010
  kCannotSetUp,     // 8010: opened, but refused the line settings or buffers
  kCannotTakeLine,  // 380: a speed or framing the device cannot do
};

// The ports there are now, from a platform's list ("COM1, COM4"; empty: none), as
// the program and the controller tool say it after a port that is not there.
std::string PresentPortsText(std::string_view presentPorts);

// The one wording of a port failure: what went wrong with which port, then the
// system's reason; `hint` says what to do (empty: the problem's usual advice).
Failure PortFailure(PortProblem problem, const Port& port, std::string reason,
                    std::string hint = {});

}  // namespace quorvex
