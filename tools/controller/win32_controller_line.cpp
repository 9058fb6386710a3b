#include "win32_controller_line.h"

#include "controller_platform.h"

#include <array>
#include <cctype>
#include <vector>

#include "app/number.h"
#include "platform/failure.h"
#include "platform/line_settings.h"
#include "platform/win32/win32_serial_port.h"

namespace quorvex::controller {
namespace {

bool StartsWithCom(std::string_view text) {
  return text.size() > 3 && std::toupper(static_cast<unsigned char>(text[0])) == 'C' &&
         std::toupper(static_cast<unsigned char>(text[1])) == 'O' &&
         std::toupper(static_cast<unsigned char>(text[2])) == 'M';
}

// One overlapped read, waited for to its end: a read may not be left running
// once its buffer and event are gone.
class PendingRead {
 public:
  PendingRead(HANDLE port, HANDLE done, char* into, DWORD count) : port_(port) {
    overlapped_.hEvent = done;
    ::ResetEvent(done);
    doneAtOnce_ = ::ReadFile(port, into, count, &count_, &overlapped_) != FALSE;
    failed_ = !doneAtOnce_ && ::GetLastError() != ERROR_IO_PENDING;
  }
  ~PendingRead() {
    if (!doneAtOnce_ && !failed_ && !finished_) {
      ::CancelIoEx(port_, &overlapped_);
      DWORD ignored = 0;
      ::GetOverlappedResult(port_, &overlapped_, &ignored, TRUE);
    }
  }
  PendingRead(const PendingRead&) = delete;
  PendingRead& operator=(const PendingRead&) = delete;

  bool failed() const { return failed_; }
  bool doneAtOnce() const { return doneAtOnce_; }
  // Bytes read, waiting if need be; nothing if the read failed.
  std::optional<DWORD> Result() {
    if (failed_) {
      return std::nullopt;
    }
    if (!doneAtOnce_) {
      finished_ = true;
      if (!::GetOverlappedResult(port_, &overlapped_, &count_, TRUE)) {
        return std::nullopt;
      }
    }
    return count_;
  }

 private:
  HANDLE port_;
  OVERLAPPED overlapped_{};
  DWORD count_ = 0;
  bool doneAtOnce_ = false;
  bool failed_ = false;
  bool finished_ = false;
};

}  // namespace

std::int16_t PortNumber(std::string_view port) {
  const Int16Result number = ToInt16(StartsWithCom(port) ? port.substr(3) : port);
  if (number.error != NumberError::kNone || number.value < 1 ||
      port.find_first_of(".,") != std::string_view::npos) {
    throw Failure(failure::kInvalidPort,
                  "\"" + std::string(port) + "\" is not a port: write 3 or COM3 for COM3.");
  }
  return number.value;
}

std::string PresentPorts() {
  // The names of all DOS devices, each ending in a NUL, the list in a second NUL.
  std::vector<char> names(1 << 16);
  const DWORD length = ::QueryDosDeviceA(nullptr, names.data(), static_cast<DWORD>(names.size()));
  std::string ports;
  for (std::size_t at = 0; at < length && names[at] != '\0';) {
    const std::string name(names.data() + at);
    at += name.size() + 1;
    if (StartsWithCom(name) && name.find_first_not_of("0123456789", 3) == std::string::npos) {
      ports += (ports.empty() ? "" : ", ") + name;
    }
  }
  return ports;
}

Win32Line::Win32Line(std::string_view port)
    : port_(win32::OpenCommPort(PortNumber(port), LineSettings{})) {}

std::optional<std::string> Win32Line::Read(HANDLE stop) {
  // The port waits for as many bytes as asked: one, then whatever came with it.
  char first = 0;
  PendingRead read(port_.get(), readDone_.get(), &first, 1);
  if (read.failed()) {
    return std::nullopt;
  }
  if (!read.doneAtOnce()) {
    const std::array<HANDLE, 2> events{readDone_.get(), stop};
    const DWORD woken = ::WaitForMultipleObjects(stop ? 2 : 1, events.data(), FALSE, INFINITE);
    if (woken == WAIT_OBJECT_0 + 1) {
      return std::string();
    }
  }
  const std::optional<DWORD> count = read.Result();
  if (!count || *count == 0) {
    return std::nullopt;
  }
  std::string bytes(1, first);
  const std::optional<win32::LineStatus> status = win32::ReadStatus(port_.get());
  if (!status) {
    return std::nullopt;
  }
  if (status->waiting > 0) {
    std::string rest(status->waiting, '\0');
    PendingRead more(port_.get(), readDone_.get(), rest.data(), status->waiting);
    const std::optional<DWORD> got = more.Result();
    if (!got) {
      return std::nullopt;
    }
    bytes.append(rest, 0, *got);
  }
  return bytes;
}

bool Win32Line::Write(std::string_view bytes) {
  return win32::WriteAll(port_.get(), bytes);
}

}  // namespace quorvex::controller
