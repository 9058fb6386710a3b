#include "win32_controller_line.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "controller_platform.h"

#include "common/port.h"
#include "platform/serial_line.h"

namespace quorvex::controller {
Win32Line::Win32Line(std::string_view port)
    : port_(PortFromArgument(port, PortSystem::kWindows), kLine) {}

Win32Line::~Win32Line() {
  if (reading_) {
    ::CancelIoEx(port_.handle(), &reading_->overlapped);
    // A driver that never ends the cancellation may still write into it.
    if (::WaitForSingleObject(reading_->done.get(), win32::Overlapped::kCancelWaitMs) !=
        WAIT_OBJECT_0) {
      static_cast<void>(reading_.release());
    }
  }
}

Win32Line::Woke Win32Line::Read(HANDLE stop, DWORD timeoutMs, std::string& bytes) {
  // Without time-outs on the port a read waits for all it asks: one byte, then the
  // rest of what came with it.
  if (!reading_) {
    reading_ = std::make_unique<Reading>();
    reading_->overlapped.hEvent = reading_->done.get();
    if (!::ReadFile(port_.handle(), &reading_->first, 1, nullptr, &reading_->overlapped) &&
        ::GetLastError() != ERROR_IO_PENDING) {
      reading_.reset();
      return Woke::kGone;
    }
  }
  const HANDLE handles[2] = {reading_->done.get(), stop};
  switch (::WaitForMultipleObjects(stop != nullptr ? 2 : 1, handles, FALSE, timeoutMs)) {
    case WAIT_OBJECT_0:
      break;
    case WAIT_OBJECT_0 + 1:
      return Woke::kStopped;
    case WAIT_TIMEOUT:
      return Woke::kTimedOut;
    default:
      return Woke::kGone;
  }
  DWORD got = 0;
  const bool done = ::GetOverlappedResult(port_.handle(), &reading_->overlapped, &got, FALSE);
  bytes.assign(1, reading_->first);
  reading_.reset();
  if (!done || got != 1) {
    return Woke::kGone;
  }
  // What waits behind it is there already, so the port's own read takes it at once.
  DWORD errors = 0;
  COMSTAT status{};
  if (::ClearCommError(port_.handle(), &errors, &status) && status.cbInQue > 0) {
    const std::optional<std::string> rest =
        port_.Read(std::min<std::size_t>(status.cbInQue, kReadSize - 1), nullptr);
    if (!rest) {
      return Woke::kGone;
    }
    bytes += *rest;
  }
  return Woke::kBytes;
}

}  // namespace quorvex::controller
