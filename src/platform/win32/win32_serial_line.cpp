#include "platform/win32/win32_serial_line.h"

#include <dbt.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_serial_port.h"

namespace quorvex::win32 {
namespace {

// What the line's threads post to the window; none carries data.
constexpr UINT kReceived = WM_APP + 1;  // bytes wait in the receive buffer
constexpr UINT kLost = WM_APP + 2;      // the line is gone
constexpr UINT kOpened = WM_APP + 3;    // an attempt to open the port is over

UniqueHandle MakeWakeUp() {
  return UniqueHandle(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
}

// 0 for `stop`, 1 for `other`.
DWORD WaitEither(HANDLE stop, HANDLE other) {
  const std::array<HANDLE, 2> handles{stop, other};
  return ::WaitForMultipleObjects(2, handles.data(), FALSE, INFINITE) - WAIT_OBJECT_0;
}

}  // namespace

// The open port and its two threads. The threads touch nothing of the control:
// only the port, what is locked here, and the window's message queue.
class Win32SerialLine::Line {
 public:
  Line(const Port& port, const LineSettings& settings, HWND window)
      : port_(port, settings), window_(window) {}
  ~Line() {
    ::SetEvent(stop_.get());
    reader_.join();
    writer_.join();
  }
  Line(const Line&) = delete;
  Line& operator=(const Line&) = delete;

  // On the window thread. With nothing ahead of them the bytes go straight out as
  // far as the line takes them at once; the writer thread sees to the rest.
  bool Queue(std::string_view bytes) {
    if (lost_) {
      return false;
    }
    {
      const std::lock_guard lock(mutex_);
      if (writerBusy_) {
        unsent_.emplace_back(bytes);
        ::SetEvent(queued_.get());
        return true;
      }
    }
    switch (port_.StartWrite(bytes)) {
      case SerialPort::Sent::kAll:
        return true;
      case SerialPort::Sent::kHeldBack: {
        const std::lock_guard lock(mutex_);
        writerBusy_ = handedOver_ = true;
        ::SetEvent(queued_.get());
        return true;
      }
      case SerialPort::Sent::kFailed:
        break;
    }
    Lose(SystemReason(::GetLastError()));
    return false;
  }

  std::string Take() {
    std::string bytes;
    {
      const std::lock_guard lock(mutex_);
      bytes.swap(received_);
    }
    ::SetEvent(taken_.get());
    return bytes;
  }

  bool HasReceived() {
    const std::lock_guard lock(mutex_);
    return !received_.empty();
  }

  std::string LostReason() {
    const std::lock_guard lock(mutex_);
    return reason_;
  }

  HANDLE handle() const { return port_.handle(); }
  bool Lost() const { return lost_; }

 private:
  void Read() {
    for (;;) {
      std::size_t room = 0;
      {
        const std::lock_guard lock(mutex_);
        room = kReceiveBufferSize - std::min(received_.size(), kReceiveBufferSize);
      }
      if (room == 0) {
        // Full: the driver holds the rest until Input takes this.
        if (WaitEither(stop_.get(), taken_.get()) == 0) {
          return;
        }
        continue;
      }
      const std::optional<std::string> bytes = port_.Read(room, stop_.get());
      if (!bytes) {
        Lose(SystemReason(::GetLastError()));
        return;
      }
      if (bytes->empty()) {
        return;  // stopping
      }
      bool first = false;
      {
        const std::lock_guard lock(mutex_);
        first = received_.empty();
        received_ += *bytes;
      }
      // One message however much comes before the window takes it.
      if (first) {
        ::PostMessageA(window_, kReceived, 0, 0);
      }
    }
  }

  // While it is busy the window thread only queues, so the port's writes stay in order.
  void Write() {
    for (;;) {
      bool finish = false;
      std::optional<std::string> next;
      {
        const std::lock_guard lock(mutex_);
        finish = std::exchange(handedOver_, false);
        if (!finish && !unsent_.empty()) {
          next = std::move(unsent_.front());
          unsent_.pop_front();
        }
        writerBusy_ = finish || next;
      }
      if (!finish && !next) {
        if (WaitEither(stop_.get(), queued_.get()) == 0) {
          return;
        }
        continue;
      }
      if (!(finish ? port_.FinishWrite(stop_.get()) : port_.Write(*next, stop_.get()))) {
        const DWORD error = ::GetLastError();
        if (::WaitForSingleObject(stop_.get(), 0) != WAIT_OBJECT_0) {
          Lose(SystemReason(error));
        }
        return;
      }
    }
  }

  // The first reason stays: the other thread's failure follows from it.
  void Lose(std::string reason) {
    {
      const std::lock_guard lock(mutex_);
      if (reason_.empty()) {
        reason_ = std::move(reason);
      }
    }
    lost_ = true;
    ::PostMessageA(window_, kLost, 0, 0);
  }

  SerialPort port_;
  HWND window_;
  UniqueHandle stop_ = MakeEvent();
  UniqueHandle queued_ = MakeWakeUp();
  UniqueHandle taken_ = MakeWakeUp();
  std::mutex mutex_;
  std::string received_;            // by mutex_
  std::deque<std::string> unsent_;  // by mutex_
  std::string reason_;              // by mutex_: why the line was lost
  bool writerBusy_ = false;         // by mutex_: the writer thread has the port's writes
  bool handedOver_ = false;         // by mutex_: a write held back, for the writer to finish
  std::atomic<bool> lost_ = false;
  // Last: they start once everything they use is in place.
  std::thread reader_{[this] { Read(); }};
  std::thread writer_{[this] { Write(); }};
};

// Filled by the opening thread, read on the window thread once `done`.
struct Win32SerialLine::Attempt {
  std::mutex mutex;
  bool done = false;           // by mutex
  std::unique_ptr<Line> line;  // by mutex
  std::exception_ptr failure;  // by mutex
  bool reopen = false;         // window thread: after a removal that was cancelled
};

Win32SerialLine::Win32SerialLine(HWND window, std::function<void()> onInput,
                                 std::function<void()> onOpened)
    : window_(window), onInput_(std::move(onInput)), onOpened_(std::move(onOpened)) {}

Win32SerialLine::~Win32SerialLine() {
  Close();
}

void Win32SerialLine::Open(const Port& port) {
  if (line_) {
    return;
  }
  if (!std::exchange(tried_, true)) {
    port_ = port;
    Adopt(std::make_unique<Line>(port, kLine, window_));
    return;
  }
  if (attempt_ == nullptr) {
    port_ = port;
    StartAttempt(false);
  }
  attempt_->reopen = false;  // the program's own try now
  std::unique_ptr<Line> opened = TakeAttempt();
  if (!opened) {
    throw PortFailure(PortProblem::kCannotOpen, port, "the port is still being opened");
  }
  Adopt(std::move(opened));
}

void Win32SerialLine::Adopt(std::unique_ptr<Line> line) {
  line_ = std::move(line);
  lostReason_.clear();
  WatchRemoval();
}

// Detached, so that a port which never answers holds up no end of the program; the
// thread owns what it fills.
void Win32SerialLine::StartAttempt(bool reopen) {
  auto attempt = std::make_shared<Attempt>();
  attempt->reopen = reopen;
  attempt_ = attempt;
  std::thread([attempt, port = *port_, window = window_] {
    std::unique_ptr<Line> line;
    std::exception_ptr failure;
    try {
      line = std::make_unique<Line>(port, kLine, window);
    } catch (...) {
      failure = std::current_exception();
    }
    {
      const std::lock_guard lock(attempt->mutex);
      attempt->line = std::move(line);
      attempt->failure = failure;
      attempt->done = true;
    }
    ::PostMessageA(window, kOpened, 0, 0);
  }).detach();
}

// Null while the attempt runs; its failure rethrown once it is over.
std::unique_ptr<Win32SerialLine::Line> Win32SerialLine::TakeAttempt() {
  std::unique_ptr<Line> line;
  std::exception_ptr failure;
  {
    const std::lock_guard lock(attempt_->mutex);
    if (!attempt_->done) {
      return nullptr;
    }
    line = std::move(attempt_->line);
    failure = attempt_->failure;
  }
  attempt_.reset();
  if (failure) {
    std::rethrow_exception(failure);
  }
  return line;
}

// A failed write closes the line here, as a lost line's message would later. One
// while the port is closed for a removal is the line lost to the program.
bool Win32SerialLine::Write(std::string_view bytes) {
  if (suspended_) {
    lostReason_ = "the device is being removed";
    Close();
    return false;
  }
  if (!line_) {
    return false;
  }
  if (!line_->Queue(bytes)) {
    lostReason_ = line_->LostReason();
    Close();
    return false;
  }
  return true;
}

std::string Win32SerialLine::TakeInput() {
  return line_ ? line_->Take() : std::string();
}

bool Win32SerialLine::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kReceived:
      if (line_ && line_->HasReceived()) {
        onInput_();
      }
      return true;
    case kLost:
      if (line_) {
        Lose(line_->LostReason());
      }
      return true;
    case kOpened:
      if (attempt_ == nullptr) {
        return true;
      }
      if (!attempt_->reopen) {
        onOpened_();
        return true;
      }
      try {
        if (std::unique_ptr<Line> opened = TakeAttempt()) {
          Adopt(std::move(opened));
          if (line_->Lost()) {
            Lose(line_->LostReason());
          } else if (line_->HasReceived()) {
            onInput_();
          }
        }
      } catch (const std::exception& failure) {
        Lose(failure.what());
      }
      return true;
    case WM_DEVICECHANGE:
      // Seen, and left to DefWindowProc all the same: its TRUE lets a removal go on.
      if (removal_ != nullptr && lParam != 0) {
        OnDeviceChange(wParam, lParam);
      }
      return false;
    default:
      return false;
  }
}

// As the system asks of a program holding a device's handle: closed when a removal
// is asked for, so that it can go ahead, and watched until it is done or cancelled.
void Win32SerialLine::OnDeviceChange(WPARAM event, LPARAM data) {
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
  if (header->dbch_devicetype != DBT_DEVTYP_HANDLE ||
      reinterpret_cast<const DEV_BROADCAST_HANDLE*>(header)->dbch_hdevnotify != removal_) {
    return;
  }
  switch (event) {
    case DBT_DEVICEQUERYREMOVE:
      if (line_) {
        suspended_ = true;
        line_.reset();
        MSG message{};
        while (::PeekMessageA(&message, window_, kReceived, kLost, PM_REMOVE)) {
        }
      }
      return;
    case DBT_DEVICEQUERYREMOVEFAILED:
      if (suspended_) {
        suspended_ = false;
        Unwatch();
        StartAttempt(true);
      }
      return;
    case DBT_DEVICEREMOVEPENDING:
    case DBT_DEVICEREMOVECOMPLETE:
      suspended_ = false;
      Lose("the device was removed");
      return;
    default:
      return;
  }
}

void Win32SerialLine::Lose(std::string reason) {
  lostReason_ = std::move(reason);
  Close();
  onInput_();
}

// A USB adapter pulled out: its handle fails only at the next read or write, which
// may never come while the controller is silent.
void Win32SerialLine::WatchRemoval() {
  DEV_BROADCAST_HANDLE filter{};
  filter.dbch_size = sizeof filter;
  filter.dbch_devicetype = DBT_DEVTYP_HANDLE;
  filter.dbch_handle = line_->handle();
  removal_ = ::RegisterDeviceNotificationA(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  caveat_ = removal_ != nullptr ? std::string()
                                : "its device's removal is not watched: the loss shows at the "
                                  "next read or write (" +
                                      SystemReason(::GetLastError()) + ")";
}

void Win32SerialLine::Unwatch() {
  if (removal_ != nullptr) {
    ::UnregisterDeviceNotification(removal_);
    removal_ = nullptr;
  }
}

void Win32SerialLine::Close() {
  Unwatch();
  suspended_ = false;
  line_.reset();
  // Whatever the threads posted belongs to the line that is now closed.
  MSG message{};
  while (::PeekMessageA(&message, window_, kReceived, kLost, PM_REMOVE)) {
  }
}

}  // namespace quorvex::win32
