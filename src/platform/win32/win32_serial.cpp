#include "platform/win32/win32_serial.h"

#include <algorithm>
#include <utility>

#include "platform/win32/win32_comm_events.h"
#include "platform/win32/win32_line_messages.h"
#include "platform/win32/win32_serial_port.h"

namespace quorvex::win32 {

Win32Serial::Win32Serial(HWND window, std::function<void()> onComm)
    : window_(window), onComm_(std::move(onComm)) {}

Win32Serial::~Win32Serial() {
  Close();
}

void Win32Serial::Settings(std::string_view settings) {
  line_ = ParseLineSettings(settings);
}

void Win32Serial::PortOpen(bool open) {
  if (!open) {
    Close();
    return;
  }
  if (handle_) {
    return;
  }
  handle_ = OpenCommPort(port_, line_);
  reader_.emplace(handle_.get(), window_);
}

void Win32Serial::Output(std::string_view bytes) {
  if (!handle_) {
    return;
  }
  if (!WriteAll(handle_.get(), bytes)) {
    Close();
    return;
  }
  // The write has finished, so the transmit buffer has emptied. Taken from here and
  // not from EV_TXEMPTY, which not every driver reports (Wine's ports on a
  // pseudo-terminal report no line events at all).
  ::PostMessageA(window_, line_message::kSent, 0, 0);
}

std::string Win32Serial::Input() {
  // What the reader has posted but the queue has not yet delivered waits too.
  MSG message{};
  while (::PeekMessageA(&message, window_, line_message::kBytes, line_message::kBytes, PM_REMOVE)) {
    Receive(message.wParam, message.lParam);
  }
  return std::exchange(received_, {});
}

void Win32Serial::OnBytes(WPARAM wParam, LPARAM lParam) {
  const bool endsRead = Receive(wParam, lParam);
  if (std::exchange(overflowed_, false)) {
    Raise(comm_line::kReceiveOverflow);
  }
  if (endsRead && rThreshold_ > 0 && !received_.empty()) {
    Raise(comm_event::kReceive);
  }
}

void Win32Serial::OnEvents(WPARAM events, LPARAM errors) {
  for (const std::int16_t event :
       LineEvents(static_cast<DWORD>(events), static_cast<DWORD>(errors))) {
    Raise(event);
  }
}

void Win32Serial::OnLost() {
  if (handle_) {
    Close();
    Raise(comm_event::kCarrierDetect);
  }
}

void Win32Serial::OnSent() {
  if (handle_ && sThreshold_ > 0) {
    Raise(comm_event::kSend);
  }
}

bool Win32Serial::Receive(WPARAM wParam, LPARAM lParam) {
  std::string bytes;
  const bool endsRead = UnpackBytes(wParam, lParam, bytes);
  const std::size_t room = kReceiveBufferSize - std::min(received_.size(), kReceiveBufferSize);
  if (bytes.size() > room) {
    bytes.resize(room);
    overflowed_ = true;
  }
  received_ += bytes;
  return endsRead;
}

void Win32Serial::Raise(std::int16_t event) {
  event_ = event;
  onComm_();
}

void Win32Serial::Close() {
  reader_.reset();
  handle_.reset();
  received_.clear();
  // Whatever the reader posted belongs to the line that is now closed.
  MSG message{};
  while (::PeekMessageA(&message, window_, line_message::kFirst, line_message::kLast, PM_REMOVE)) {
  }
}

}  // namespace quorvex::win32
