#include "platform/win32/win32_serial_port.h"

#include "platform/failure.h"
#include "platform/win32/win32_comm_events.h"
#include "platform/win32/win32_error.h"

namespace quorvex::win32 {
namespace {

BYTE Parity(char parity) {
  switch (parity) {
    case 'e':
      return EVENPARITY;
    case 'o':
      return ODDPARITY;
    case 'm':
      return MARKPARITY;
    case 's':
      return SPACEPARITY;
    default:
      return NOPARITY;
  }
}

bool Configure(HANDLE port, const LineSettings& line) {
  DCB dcb{};
  dcb.DCBlength = sizeof(dcb);
  if (!::GetCommState(port, &dcb)) {
    return false;
  }
  dcb.BaudRate = static_cast<DWORD>(line.baud);
  dcb.ByteSize = static_cast<BYTE>(line.dataBits);
  dcb.Parity = Parity(line.parity);
  dcb.StopBits = line.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
  dcb.fBinary = TRUE;
  dcb.fParity = dcb.Parity != NOPARITY;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fNull = FALSE;
  dcb.fAbortOnError = FALSE;
  COMMTIMEOUTS timeouts{};  // none: the reader asks only for bytes it knows of, or waits
  return ::SetCommState(port, &dcb) && ::SetCommTimeouts(port, &timeouts) &&
         ::SetCommMask(port, kLineStateEvents) &&
         ::PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
}

[[noreturn]] void CannotOpen(const std::string& name, DWORD error) {
  const std::string reason = SystemReason(error);
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      throw Failure(failure::kInvalidPort, "There is no serial port " + name + ": " + reason +
                                               ". Check CP in tessora.ini.");
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      throw Failure(failure::kPortInUse,
                    "The serial port " + name + " is in use by another program: " + reason + ".");
    default:
      throw Failure(failure::kPortUnavailable,
                    "The serial port " + name + " cannot be opened: " + reason + ".");
  }
}

// Waits for an overlapped transfer that did not finish at once; false if it failed.
bool Finish(HANDLE port, BOOL started, OVERLAPPED& overlapped, DWORD& done) {
  if (started) {
    return true;
  }
  if (::GetLastError() != ERROR_IO_PENDING) {
    return false;
  }
  return ::GetOverlappedResult(port, &overlapped, &done, TRUE) != FALSE;
}

}  // namespace

std::string PortName(std::int16_t number) {
  return "COM" + std::to_string(number);
}

UniqueHandle OpenCommPort(std::int16_t number, const LineSettings& line) {
  const std::string name = PortName(number);
  if (number < 1) {
    throw Failure(failure::kInvalidPort,
                  "There is no serial port " + name + ": port numbers start at 1.");
  }
  // The device namespace also reaches COM10 and above.
  const std::string path = "\\\\.\\" + name;
  UniqueHandle port =
      AdoptHandle(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
  if (!port) {
    CannotOpen(name, ::GetLastError());
  }
  // The driver may keep its own buffer sizes; they are a recommendation.
  ::SetupComm(port.get(), kReceiveBufferSize, kTransmitBufferSize);
  if (!Configure(port.get(), line)) {
    throw Failure(failure::kPortUnavailable, "The serial port " + name + " cannot be set up: " +
                                                 SystemReason(::GetLastError()) + ".");
  }
  return port;
}

std::optional<LineStatus> ReadStatus(HANDLE port) {
  LineStatus status;
  COMSTAT stat{};
  if (!::ClearCommError(port, &status.errors, &stat)) {
    return std::nullopt;
  }
  status.waiting = stat.cbInQue;
  return status;
}

bool WriteAll(HANDLE port, std::string_view bytes) {
  const UniqueHandle done = MakeEvent();
  while (!bytes.empty()) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = done.get();
    DWORD written = 0;
    const BOOL started =
        ::WriteFile(port, bytes.data(), static_cast<DWORD>(bytes.size()), &written, &overlapped);
    if (!Finish(port, started, overlapped, written) || written == 0) {
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

}  // namespace quorvex::win32
