#include "platform/win32/win32_line_reader.h"

#include <algorithm>
#include <array>

#include "platform/win32/win32_line_messages.h"
#include "platform/win32/win32_serial_port.h"

namespace quorvex::win32 {

// One overlapped operation on the port, cancelled if still running at the end.
class LineReader::Pending {
 public:
  explicit Pending(HANDLE port) : port_(port) { overlapped_.hEvent = done_.get(); }
  ~Pending() {
    if (running_) {
      ::CancelIoEx(port_, &overlapped_);
      DWORD ignored = 0;
      ::GetOverlappedResult(port_, &overlapped_, &ignored, TRUE);
    }
  }
  Pending(const Pending&) = delete;
  Pending& operator=(const Pending&) = delete;

  bool Read(char* into, DWORD count) {
    return Started(::ReadFile(port_, into, count, nullptr, Fresh()));
  }
  bool WaitEvents(DWORD& events) { return Started(::WaitCommEvent(port_, &events, Fresh())); }
  // After its event is signalled; false if it failed.
  bool Finish(DWORD& transferred) {
    running_ = false;
    return ::GetOverlappedResult(port_, &overlapped_, &transferred, FALSE) != FALSE;
  }
  bool running() const { return running_; }
  HANDLE done() const { return done_.get(); }

 private:
  OVERLAPPED* Fresh() {
    ::ResetEvent(done_.get());
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = done_.get();
    return &overlapped_;
  }
  bool Started(BOOL finished) {
    running_ = finished || ::GetLastError() == ERROR_IO_PENDING;
    return running_;
  }

  HANDLE port_;
  UniqueHandle done_ = MakeEvent();
  OVERLAPPED overlapped_{};
  bool running_ = false;
};

LineReader::LineReader(HANDLE port, HWND window)
    : port_(port), window_(window), thread_([this] { Read(); }) {}

LineReader::~LineReader() {
  ::SetEvent(stop_.get());
}

void LineReader::Read() {
  Pending read(port_);
  Pending wait(port_);
  // A driver without line-state events refuses the wait at once; reading goes on.
  wait.WaitEvents(events_);
  bool lineUp = read.Read(bytes_.data(), 1);
  while (lineUp) {
    DWORD transferred = 0;
    switch (Next(read, wait)) {
      case Woken::kStop:
        return;
      case Woken::kRead:
        lineUp = read.Finish(transferred) && transferred == 1 && Deliver(read) &&
                 read.Read(bytes_.data(), 1);
        break;
      case Woken::kLineState:
        if (wait.Finish(transferred) && events_ != 0) {
          const auto status = ReadStatus(port_);
          Post(line_message::kEvents, events_, status ? status->errors : 0);
          wait.WaitEvents(events_);
        }
        break;
      case Woken::kFailed:
        lineUp = false;
        break;
    }
  }
  Post(line_message::kLost, 0, 0);
}

LineReader::Woken LineReader::Next(const Pending& read, const Pending& wait) const {
  std::array<HANDLE, 3> handles{stop_.get(), read.done(), wait.done()};
  const DWORD count = wait.running() ? 3 : 2;
  switch (::WaitForMultipleObjects(count, handles.data(), FALSE, INFINITE)) {
    case WAIT_OBJECT_0:
      return Woken::kStop;
    case WAIT_OBJECT_0 + 1:
      return Woken::kRead;
    case WAIT_OBJECT_0 + 2:
      return Woken::kLineState;
    default:
      return Woken::kFailed;
  }
}

// The first byte of a read has arrived: it goes out with whatever waits behind it.
bool LineReader::Deliver(Pending& read) {
  DWORD count = 1;
  const auto status = ReadStatus(port_);
  if (!status) {
    PostBytes({bytes_.data(), count});
    return false;
  }
  const DWORD behind = std::min<DWORD>(status->waiting, bytes_.size() - 1);
  // They wait already, so this read ends at once; stopping must not wait for it anyway.
  if (behind > 0 && read.Read(bytes_.data() + 1, behind)) {
    const std::array<HANDLE, 2> handles{read.done(), stop_.get()};
    if (::WaitForMultipleObjects(2, handles.data(), FALSE, INFINITE) != WAIT_OBJECT_0) {
      return false;  // stopping: the read is cancelled on the way out
    }
    DWORD got = 0;
    if (read.Finish(got)) {
      count += got;
    }
  }
  PostBytes({bytes_.data(), count});
  if (status->errors != 0) {
    Post(line_message::kEvents, 0, static_cast<LPARAM>(status->errors));
  }
  return true;
}

void LineReader::PostBytes(std::string_view bytes) const {
  while (!bytes.empty()) {
    const std::size_t count = std::min(bytes.size(), kBytesPerMessage);
    const PackedBytes packed = PackBytes(bytes.substr(0, count), count == bytes.size());
    Post(line_message::kBytes, packed.wParam, packed.lParam);
    bytes.remove_prefix(count);
  }
}

void LineReader::Post(UINT message, WPARAM wParam, LPARAM lParam) const {
  ::PostMessageA(window_, message, wParam, lParam);
}

}  // namespace quorvex::win32
