#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/line_settings.h"
#include "platform/win32/win32_handles.h"

namespace quorvex::win32 {

constexpr std::size_t kReceiveBufferSize = 1024;
constexpr std::size_t kTransmitBufferSize = 512;

// "COM3", as the operator knows the port.
std::string PortName(std::int16_t number);

// Opened for overlapped use and set up: the line settings, no handshaking, buffers
// of 1024 in and 512 out, reads that wait for as many bytes as they ask for.
// Throws Failure naming the port and the system's reason.
UniqueHandle OpenCommPort(std::int16_t number, const LineSettings& line);

struct LineStatus {
  DWORD waiting = 0;  // bytes in the receive buffer
  DWORD errors = 0;   // CE_ flags since the last look, cleared by it
};
// Nothing once the line is gone.
std::optional<LineStatus> ReadStatus(HANDLE port);

// False once the line is gone.
bool WriteAll(HANDLE port, std::string_view bytes);

}  // namespace quorvex::win32
