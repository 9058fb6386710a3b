#include "platform/fake/fake_host.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <utility>

#include "platform/twips.h"
#include "platform/virtual_screen.h"

namespace quorvex::fake {
namespace {

std::string Number(double value) {
  return value == std::floor(value) ? std::to_string(static_cast<long long>(value))
                                    : std::to_string(value);
}

// "Name(a,b,c)", numbers in decimal.
template <typename... Args>
std::string Call(std::string_view name, const Args&... args) {
  std::ostringstream out;
  out << name << '(';
  const char* separator = "";
  ((out << separator << +args, separator = ","), ...);
  out << ')';
  return out.str();
}

}  // namespace

void FakeWindow::Left(double twips) {
  left = twips;
  host_.Record(name_ + ".Left=" + Number(twips));
}

void FakeWindow::Top(double twips) {
  top = twips;
  host_.Record(name_ + ".Top=" + Number(twips));
}

void FakeWindow::Width(double twips) {
  if (refusesSize) {
    throw *refusesSize;
  }
  width = twips;
  host_.Record(name_ + ".Width=" + Number(twips));
}

void FakeWindow::Height(double twips) {
  if (refusesSize) {
    throw *refusesSize;
  }
  height = twips;
  host_.Record(name_ + ".Height=" + Number(twips));
}

void FakeWindow::Visible(bool value) {
  visible = value;
  host_.Record(name_ + ".Visible=" + std::to_string(value));
}

// In pixels, rounded as the platforms round them.
bool FakeWindow::Contains(Point pixel) const {
  const int x = TwipsToPixels(left, kTwipsPerPixel);
  const int y = TwipsToPixels(top, kTwipsPerPixel);
  return visible && pixel.x >= x && pixel.x < x + TwipsToPixels(width, kTwipsPerPixel) &&
         pixel.y >= y && pixel.y < y + TwipsToPixels(height, kTwipsPerPixel);
}

void FakeTimer::Enabled(bool enabled) {
  enabled_ = enabled;
  host_.Record(name_ + ".Enabled=" + std::to_string(enabled));
}

void FakeComm::CommPort(const Port& port) {
  host_.Record("MSComm1.CommPort=" + port.name);
}

void FakeComm::Settings(std::string_view settings) {
  host_.Record("MSComm1.Settings=" + std::string(settings));
}

void FakeComm::RThreshold(std::int16_t count) {
  host_.Record("MSComm1.RThreshold=" + std::to_string(count));
}

void FakeComm::SThreshold(std::int16_t count) {
  host_.Record("MSComm1.SThreshold=" + std::to_string(count));
}

void FakeComm::PortOpen(bool value) {
  host_.Record("MSComm1.PortOpen=" + std::to_string(value));
  if (value && openFailure) {
    throw *openFailure;
  }
  open = value;
}

bool FakeComm::Output(std::string_view bytes) {
  host_.Record("MSComm1.Output=" + std::string(bytes));
  if (lineGone) {
    open = false;
    return false;
  }
  sent += bytes;
  if (echoes) {
    waiting += bytes;
  }
  host_.queue_.push_back(FakeHost::Queued::kSendEvent);
  return true;
}

std::string FakeComm::Input() {
  host_.Record("MSComm1.Input");
  return std::exchange(waiting, {});
}

bool FakeUser32::SetWindowPos(std::uint32_t hWnd, std::int32_t after, std::int32_t x,
                              std::int32_t y, std::int32_t cx, std::int32_t cy,
                              std::uint32_t flags) {
  host_.Record(Call("SetWindowPos", hWnd, after, x, y, cx, cy, flags));
  topmost[hWnd] = after == user32::kHwndTopmost;
  return true;
}

std::int32_t FakeUser32::GetWindowLongA(std::uint32_t hWnd, std::int32_t index) {
  host_.Record(Call("GetWindowLongA", hWnd, index));
  return exStyle[hWnd];
}

std::int32_t FakeUser32::SetWindowLongA(std::uint32_t hWnd, std::int32_t index,
                                        std::int32_t value) {
  host_.Record(Call("SetWindowLongA", hWnd, index, value));
  return std::exchange(exStyle[hWnd], value);
}

bool FakeUser32::SetLayeredWindowAttributes(std::uint32_t hWnd, std::uint32_t colorKey,
                                            std::uint8_t value, std::uint32_t flags) {
  host_.Record(Call("SetLayeredWindowAttributes", hWnd, colorKey, value, flags));
  alpha[hWnd] = value;
  return true;
}

bool FakeUser32::GetCursorPos(Point& point) {
  host_.Record("GetCursorPos");
  point = cursor;
  return true;
}

bool FakeUser32::SetCursorPos(std::int32_t x, std::int32_t y) {
  host_.Record(Call("SetCursorPos", x, y));
  cursor = {.x = x, .y = y};
  return true;
}

std::int32_t FakeUser32::GetSystemMetrics(std::int32_t index) {
  switch (index) {
    case user32::kSmXVirtualScreen:
      return virtualScreen.left;
    case user32::kSmYVirtualScreen:
      return virtualScreen.top;
    case user32::kSmCxVirtualScreen:
      return virtualScreen.width;
    case user32::kSmCyVirtualScreen:
      return virtualScreen.height;
    default:
      return 0;
  }
}

// Moves go where the inputs say; a release completes a click where its press was.
std::uint32_t FakeUser32::SendInput(std::span<const MouseInput> inputs) {
  std::string entry = "SendInput(";
  for (const MouseInput& input : inputs) {
    constexpr std::uint32_t kAbsoluteMove =
        user32::kMouseEventMove | user32::kMouseEventAbsolute | user32::kMouseEventVirtualDesk;
    if ((input.dwFlags & kAbsoluteMove) == kAbsoluteMove) {
      cursor = {.x = FromAbsolute(input.dx, virtualScreen.left, virtualScreen.width),
                .y = FromAbsolute(input.dy, virtualScreen.top, virtualScreen.height)};
    }
    // "c003@100,110": the flags in hex, then where the input leaves the cursor.
    std::array<char, 64> shown{};
    std::snprintf(shown.data(), shown.size(), "%s%x@%d,%d", &input == inputs.data() ? "" : ";",
                  input.dwFlags, cursor.x, cursor.y);
    entry += shown.data();
    if (input.dwFlags & user32::kMouseEventLeftDown) {
      pressedAt_ = cursor;
    }
    if ((input.dwFlags & user32::kMouseEventLeftUp) && pressedAt_) {
      clicks.push_back(*std::exchange(pressedAt_, std::nullopt));
      // Like a real input queue: the overlay hears of it after the current handler.
      if (host_.frmMain.Contains(clicks.back())) {
        host_.queue_.push_back(FakeHost::Queued::kFrmMainClick);
      } else if (host_.frmTwo.Contains(clicks.back())) {
        host_.queue_.push_back(FakeHost::Queued::kFrmTwoClick);
      }
    }
  }
  host_.Record(entry + ")");
  sentInputs.emplace_back(inputs.begin(), inputs.end());
  return static_cast<std::uint32_t>(inputs.size());
}

void FakeToolkit::MsgBox(std::string_view text) {
  host_.Record("MsgBox(" + std::string(text) + ")");
  messages.emplace_back(text);
  for (auto& reply : std::exchange(host_.whileMessageBoxOpen, {})) {
    reply();
  }
}

void FakeToolkit::End(int status) {
  host_.Record("End(" + std::to_string(status) + ")");
  if (!exitStatus) {
    exitStatus = status;
  }
}

FakeHost::FakeHost() = default;

Platform FakeHost::Services() {
  return {.frmMain = frmMain,
          .frmTwo = frmTwo,
          .Timer1 = Timer1,
          .Timer2 = Timer2,
          .MSComm1 = MSComm1,
          .user32 = user32,
          .toolkit = toolkit};
}

int FakeHost::EventLoop() {
  Pump();
  return toolkit.exitStatus.value_or(0);
}

void FakeHost::Receive(std::string_view bytes) {
  Arrive(bytes);
  RaiseCommEvent(comm_event::kReceive);
}

void FakeHost::RaiseCommEvent(std::int16_t event) {
  MSComm1.event = event;
  events_->MSComm1_OnComm();
}

void FakeHost::Click(FakeWindow& window) {
  if (&window == &frmMain) {
    events_->frmMain_Click();
  } else {
    events_->frmTwo_Click();
  }
}

bool FakeHost::Tick(FakeTimer& timer) {
  if (!timer.Enabled()) {
    return false;
  }
  if (&timer == &Timer1) {
    events_->Timer1_Timer();
  } else {
    events_->Timer2_Timer();
  }
  return true;
}

void FakeHost::Pump() {
  while (!queue_.empty()) {
    const Queued event = queue_.front();
    queue_.pop_front();
    Deliver(event);
  }
}

void FakeHost::Deliver(Queued event) {
  switch (event) {
    case Queued::kSendEvent:
      RaiseCommEvent(comm_event::kSend);
      break;
    case Queued::kFrmMainClick:
      events_->frmMain_Click();
      break;
    case Queued::kFrmTwoClick:
      events_->frmTwo_Click();
      break;
  }
}

}  // namespace quorvex::fake
