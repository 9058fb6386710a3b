#include "win32_controller_line.h"

#include "controller_platform.h"

#include <vector>

#include "common/port.h"
#include "platform/serial_line.h"

namespace quorvex::controller {
std::string PresentPorts() {
  // The names of all DOS devices, each ending in a NUL, the list in a second NUL.
  std::vector<char> names(1 << 16);
  const DWORD length = ::QueryDosDeviceA(nullptr, names.data(), static_cast<DWORD>(names.size()));
  std::string ports;
  for (std::size_t at = 0; at < length && names[at] != '\0';) {
    const std::string name(names.data() + at);
    at += name.size() + 1;
    // The system spells them COM1, COM2, ...; other devices have other names.
    if (name.size() > 3 && name.starts_with("COM") &&
        name.find_first_not_of("0123456789", 3) == std::string::npos) {
      ports += (ports.empty() ? "" : ", ") + name;
    }
  }
  return ports;
}

Win32Line::Win32Line(std::string_view port)
    : port_(PortFromArgument(port, PortSystem::kWindows), kLine) {}

}  // namespace quorvex::controller
