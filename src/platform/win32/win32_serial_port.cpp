#include "platform/win32/win32_serial_port.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

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
  // None: a read waits for as many bytes as it asks for, a write until the line takes it.
  COMMTIMEOUTS timeouts{};
  return ::SetCommState(port, &dcb) && ::SetCommTimeouts(port, &timeouts) &&
         ::PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
}

PortProblem OpenProblem(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return PortProblem::kMissing;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return PortProblem::kInUse;
    default:
      return PortProblem::kCannotOpen;
  }
}

UniqueHandle Open(const Port& port) {
  UniqueHandle handle =
      AdoptHandle(::CreateFileA(port.device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
  if (!handle) {
    const DWORD error = ::GetLastError();
    const PortProblem problem = OpenProblem(error);
    throw PortFailure(problem, port, SystemReason(error),
                      problem == PortProblem::kMissing ? PresentPortsText(PresentPorts()) : "");
  }
  return handle;
}

}  // namespace

Overlapped::~Overlapped() {
  Cancel();
  // Still running after the port is closed: the system may yet write into them.
  for (auto& operation : abandoned_) {
    if (!HasOverlappedIoCompleted(&operation->overlapped)) {
      static_cast<void>(operation.release());
    }
  }
}

Overlapped::Operation& Overlapped::Next() {
  Cancel();
  std::erase_if(abandoned_, [](const std::unique_ptr<Operation>& operation) {
    return HasOverlappedIoCompleted(&operation->overlapped);
  });
  operation_->overlapped = OVERLAPPED{};
  operation_->overlapped.hEvent = operation_->done.get();
  return *operation_;
}

bool Overlapped::Read(DWORD count) {
  Operation& operation = Next();
  operation.buffer.assign(count, '\0');
  return Started(
      ::ReadFile(handle_, operation.buffer.data(), count, nullptr, &operation.overlapped));
}

bool Overlapped::Write(std::string_view bytes) {
  Operation& operation = Next();
  operation.buffer.assign(bytes);
  return Started(::WriteFile(handle_, operation.buffer.data(),
                             static_cast<DWORD>(operation.buffer.size()), nullptr,
                             &operation.overlapped));
}

bool Overlapped::Started(BOOL doneAtOnce) {
  doneAtOnce_ = doneAtOnce != FALSE;
  running_ = doneAtOnce_ || ::GetLastError() == ERROR_IO_PENDING;
  return running_;
}

Overlapped::Ended Overlapped::Wait(HANDLE stop, DWORD& moved) {
  const std::array<HANDLE, 2> handles{operation_->done.get(), stop};
  const DWORD count = stop != nullptr ? 2 : 1;
  if (!doneAtOnce_ &&
      ::WaitForMultipleObjects(count, handles.data(), FALSE, INFINITE) != WAIT_OBJECT_0) {
    Cancel();
    return Ended::kStopped;
  }
  running_ = false;
  moved = 0;
  return ::GetOverlappedResult(handle_, &operation_->overlapped, &moved, FALSE) ? Ended::kDone
                                                                                : Ended::kFailed;
}

void Overlapped::Cancel() {
  if (!running_) {
    return;
  }
  running_ = false;
  ::CancelIoEx(handle_, &operation_->overlapped);
  if (::WaitForSingleObject(operation_->done.get(), kCancelWaitMs) != WAIT_OBJECT_0) {
    abandoned_.push_back(std::exchange(operation_, std::make_unique<Operation>()));
  }
}

SerialPort::SerialPort(const Port& port, const LineSettings& line) : handle_(Open(port)) {
  // The driver may keep its own buffer sizes; they are a recommendation.
  ::SetupComm(handle_.get(), kReceiveBufferSize, kTransmitBufferSize);
  if (!Configure(handle_.get(), line)) {
    throw PortFailure(PortProblem::kCannotSetUp, port, SystemReason(::GetLastError()));
  }
}

std::optional<std::string> SerialPort::Read(std::size_t max, HANDLE stop) {
  // Without time-outs a read waits for all it asks: one byte, then what came with it.
  DWORD got = 0;
  if (!reading_.Read(1)) {
    return std::nullopt;
  }
  switch (reading_.Wait(stop, got)) {
    case Overlapped::Ended::kStopped:
      return std::string();
    case Overlapped::Ended::kFailed:
      return std::nullopt;
    case Overlapped::Ended::kDone:
      break;
  }
  if (got != 1) {
    return std::nullopt;
  }
  std::string bytes(1, reading_.data()[0]);
  // Some drivers fail this every time: the line is not lost for it, the byte goes
  // alone and the rest comes with the next read.
  DWORD errors = 0;
  COMSTAT status{};
  if (!::ClearCommError(handle_.get(), &errors, &status)) {
    return bytes;
  }
  const DWORD behind =
      std::min<DWORD>(status.cbInQue, static_cast<DWORD>(std::max<std::size_t>(max, 1) - 1));
  DWORD more = 0;
  if (behind > 0 &&
      (!reading_.Read(behind) || reading_.Wait(stop, more) == Overlapped::Ended::kFailed)) {
    return std::nullopt;
  }
  bytes.append(reading_.data(), more);
  return bytes;
}

bool SerialPort::Write(std::string_view bytes, HANDLE stop) {
  switch (StartWrite(bytes)) {
    case Sent::kAll:
      return true;
    case Sent::kHeldBack:
      return FinishWrite(stop);
    case Sent::kFailed:
      return false;
  }
  return false;
}

SerialPort::Sent SerialPort::StartWrite(std::string_view bytes) {
  unwritten_.assign(bytes);
  return WriteWhatGoesAtOnce();
}

SerialPort::Sent SerialPort::WriteWhatGoesAtOnce() {
  while (!unwritten_.empty()) {
    if (!writing_.Write(unwritten_)) {
      return Sent::kFailed;
    }
    if (!writing_.doneAtOnce()) {
      return Sent::kHeldBack;
    }
    DWORD written = 0;
    if (writing_.Wait(nullptr, written) != Overlapped::Ended::kDone || written == 0) {
      return Sent::kFailed;
    }
    unwritten_.erase(0, written);
  }
  return Sent::kAll;
}

bool SerialPort::FinishWrite(HANDLE stop) {
  for (;;) {
    DWORD written = 0;
    if (writing_.Wait(stop, written) != Overlapped::Ended::kDone || written == 0) {
      return false;
    }
    unwritten_.erase(0, written);
    switch (WriteWhatGoesAtOnce()) {
      case Sent::kAll:
        return true;
      case Sent::kHeldBack:
        continue;
      case Sent::kFailed:
        return false;
    }
  }
}

}  // namespace quorvex::win32

namespace quorvex {

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

bool PortPresent(const Port& port) {
  std::array<char, 256> target{};
  return ::QueryDosDeviceA(port.name.c_str(), target.data(), static_cast<DWORD>(target.size())) !=
         0;
}

}  // namespace quorvex
