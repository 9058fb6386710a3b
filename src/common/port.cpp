#include "common/port.h"

#include <cctype>

#include "common/blanks.h"
#include "common/number.h"

namespace quorvex {
namespace {

constexpr std::string_view kCheckSetting = "Check CP in tessora.ini.";

bool IsDevicePath(std::string_view text, PortSystem system) {
  return system == PortSystem::kPosix && text.starts_with('/');
}

// Messages show the path as they show any text from outside.
Port PathPort(std::string_view path) {
  return {.number = 0, .device = std::string(path), .name = Printable(path)};
}

// A number below 1 names no port on any system.
Port CheckedNumber(std::int16_t number, PortSystem system) {
  Port port = NumberedPort(number, system);
  if (number < 1) {
    throw PortFailure(PortProblem::kMissing, port, "port numbers start at 1");
  }
  return port;
}

bool StartsWithCom(std::string_view text) {
  constexpr std::string_view kCom = "COM";
  if (text.size() <= kCom.size()) {
    return false;
  }
  for (std::size_t i = 0; i < kCom.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) != kCom[i]) {
      return false;
    }
  }
  return true;
}

// The setting the operator most likely meant: the number of a COM name, the path of
// a device named without its folder.
std::string WhatToWrite(std::string_view cp, PortSystem system) {
  if (StartsWithCom(cp)) {
    const Int16Result number = ToInt16(cp.substr(3));
    if (number.error == NumberError::kNone && number.value > 0) {
      return "write " + std::to_string(number.value);
    }
  }
  if (system == PortSystem::kPosix && cp.starts_with("tty") && cp.size() > 3 &&
      cp.find_first_of("/ \t") == std::string_view::npos) {
    return "write /dev/" + Printable(cp);
  }
  return "write 3 for COM3";
}

}  // namespace

Port NumberedPort(std::int16_t number, PortSystem system) {
  const std::string com = "COM" + std::to_string(number);
  if (system == PortSystem::kWindows) {
    // The device namespace also reaches COM10 and above.
    return {.number = number, .device = "\\\\.\\" + com, .name = com};
  }
  if (number < 1) {
    return {.number = number, .device = {}, .name = com};  // no device to name
  }
  const std::string device = "/dev/ttyS" + std::to_string(number - 1);
  return {.number = number, .device = device, .name = com + " (" + device + ")"};
}

Port PortFromSetting(std::string_view cp, PortSystem system) {
  const std::string_view trimmed = TrimBlanks(cp);
  if (IsDevicePath(trimmed, system)) {
    return PathPort(trimmed);
  }
  const Int16Result port = ToInt16(cp);
  if (port.error == NumberError::kOutOfRange) {
    throw Failure(failure::kOverflow,
                  "The port setting CP:" + Printable(cp) + " is out of range -32768 to 32767.");
  }
  if (port.error != NumberError::kNone) {
    throw Failure(failure::kTypeMismatch, "The port setting CP:" + Printable(cp) +
                                              " is not a port number (" +
                                              WhatToWrite(trimmed, system) + ").");
  }
  return CheckedNumber(port.value, system);
}

Port PortFromArgument(std::string_view argument, PortSystem system) {
  if (IsDevicePath(argument, system)) {
    return PathPort(argument);
  }
  const Int16Result port = ToInt16(StartsWithCom(argument) ? argument.substr(3) : argument);
  if (port.error != NumberError::kNone) {
    const std::string_view paths =
        system == PortSystem::kPosix ? ", or a device path such as /dev/ttyUSB0" : "";
    throw Failure(failure::kInvalidPort, "\"" + Printable(argument) +
                                             "\" is not a port: write 3 or COM3 for COM3" +
                                             std::string(paths) + ".");
  }
  return CheckedNumber(port.value, system);
}

std::string PresentPortsText(std::string_view presentPorts) {
  return presentPorts.empty() ? std::string("No serial ports are present now.")
                              : "Serial ports present now: " + std::string(presentPorts) + ".";
}

Failure PortFailure(PortProblem problem, const Port& port, std::string reason, std::string hint) {
  int number = failure::kPortUnavailable;
  std::string what;
  switch (problem) {
    case PortProblem::kMissing:
      number = failure::kInvalidPort;
      what = "There is no serial port " + port.name;
      break;
    case PortProblem::kNotSerial:
      number = failure::kInvalidPort;
      what = port.name + " is not a serial port";
      break;
    case PortProblem::kInUse:
      number = failure::kPortInUse;
      what = "The serial port " + port.name + " is in use by another program";
      break;
    case PortProblem::kCannotOpen:
      what = "The serial port " + port.name + " cannot be opened";
      break;
    case PortProblem::kCannotSetUp:
      what = "The serial port " + port.name + " cannot be set up";
      break;
    case PortProblem::kCannotTakeLine:
      // The reason is what the device cannot do, such as "12345 baud".
      return Failure(failure::kInvalidProperty,
                     "The serial port " + port.name + " cannot take " + reason + ".", reason,
                     std::move(hint));
  }
  if (number == failure::kInvalidPort) {
    hint = hint.empty() ? std::string(kCheckSetting) : hint + " " + std::string(kCheckSetting);
  }
  std::string description = what + ": " + reason + ".";
  return Failure(number, std::move(description), std::move(reason), std::move(hint));
}

}  // namespace quorvex
