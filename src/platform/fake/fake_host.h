// An in-memory platform for tests: records every call in order and lets a test
// raise the events a real desktop and serial line would.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "platform/host.h"

namespace quorvex::fake {

constexpr double kTwipsPerPixel = 15.0;

class FakeHost;

class FakeWindow final : public OverlayWindow {
 public:
  FakeWindow(FakeHost& host, std::string name, std::uint32_t handle)
      : host_(host), name_(std::move(name)), handle_(handle) {}
  void Left(double twips) override;
  void Top(double twips) override;
  void Width(double twips) override;
  void Height(double twips) override;
  std::uint32_t hWnd() const override { return handle_; }
  void Visible(bool visible) override;

  const std::string& name() const { return name_; }
  double left = 0, top = 0, width = 4560, height = 3015;  // twips
  bool visible = false;
  std::optional<Failure> refusesSize;  // thrown by Width and Height when set
  bool Contains(Point pixel) const;

 private:
  FakeHost& host_;
  std::string name_;
  std::uint32_t handle_;
};

class FakeTimer final : public Timer {
 public:
  FakeTimer(FakeHost& host, std::string name) : host_(host), name_(std::move(name)) {}
  void Enabled(bool enabled) override;
  bool Enabled() const override { return enabled_; }

 private:
  FakeHost& host_;
  std::string name_;
  bool enabled_ = false;
};

class FakeComm final : public CommControl {
 public:
  explicit FakeComm(FakeHost& host) : host_(host) {}
  PortSystem Ports() const override { return ports; }
  void CommPort(const Port& port) override;
  void Settings(std::string_view settings) override;
  void RThreshold(std::int16_t count) override;
  void SThreshold(std::int16_t count) override;
  void PortOpen(bool open) override;
  bool PortOpen() const override { return open; }
  bool Output(std::string_view bytes) override;
  std::string Input() override;
  std::int16_t CommEvent() const override { return event; }

  bool open = false;
  PortSystem ports = PortSystem::kWindows;
  bool lineGone = false;  // writes fail, and the port closes, as when an adapter is pulled
  // A loop-back plug: what is written arrives in the receive buffer at once, before
  // the send event; its receive event is the test's to raise.
  bool echoes = false;
  std::optional<Failure> openFailure;  // thrown by PortOpen(true) when set
  std::string waiting;                 // the receive buffer
  std::string sent;                    // every byte written to the line
  std::int16_t event = 0;

 private:
  FakeHost& host_;
};

class FakeUser32 final : public User32 {
 public:
  explicit FakeUser32(FakeHost& host) : host_(host) {}
  bool SetWindowPos(std::uint32_t hWnd, std::int32_t after, std::int32_t x, std::int32_t y,
                    std::int32_t cx, std::int32_t cy, std::uint32_t flags) override;
  std::int32_t GetWindowLongA(std::uint32_t hWnd, std::int32_t index) override;
  std::int32_t SetWindowLongA(std::uint32_t hWnd, std::int32_t index, std::int32_t value) override;
  bool SetLayeredWindowAttributes(std::uint32_t hWnd, std::uint32_t colorKey, std::uint8_t alpha,
                                  std::uint32_t flags) override;
  bool GetCursorPos(Point& point) override;
  bool SetCursorPos(std::int32_t x, std::int32_t y) override;
  std::int32_t GetSystemMetrics(std::int32_t index) override;
  std::uint32_t SendInput(std::span<const MouseInput> inputs) override;

  Point cursor{.x = 500, .y = 400};
  // Monitors around the primary one, wide enough for every point the tests use.
  struct {
    std::int32_t left = -8000, top = -8000, width = 16000, height = 16000;
  } virtualScreen;
  std::map<std::uint32_t, std::int32_t> exStyle;
  std::map<std::uint32_t, int> alpha;
  std::map<std::uint32_t, bool> topmost;
  std::vector<Point> clicks;                        // where each press and release pair landed
  std::vector<std::vector<MouseInput>> sentInputs;  // each SendInput call's inputs

 private:
  FakeHost& host_;
  std::optional<Point> pressedAt_;
};

class FakeToolkit final : public Toolkit {
 public:
  explicit FakeToolkit(FakeHost& host) : host_(host) {}
  void MsgBox(std::string_view text) override;
  double TwipsPerPixelX() const override { return kTwipsPerPixel; }
  double TwipsPerPixelY() const override { return kTwipsPerPixel; }
  void End(int status) override;

  std::vector<std::string> messages;
  std::optional<int> exitStatus;

 private:
  FakeHost& host_;
};

class FakeHost final : public Host {
 public:
  FakeHost();
  Platform Services() override;
  void Connect(Events& events) override { events_ = &events; }
  int EventLoop() override;

  // Bytes reach the receive buffer; no event is raised.
  void Arrive(std::string_view bytes) { MSComm1.waiting += bytes; }
  // Bytes arrive and the receive event is raised.
  void Receive(std::string_view bytes);
  void RaiseCommEvent(std::int16_t event);
  void Click(FakeWindow& window);
  // A tick, only if the timer is enabled; true if it ticked.
  bool Tick(FakeTimer& timer);
  // Delivers what waits in the queue: send events, clicks that landed on an overlay.
  void Pump();

  void Record(std::string entry) { log.push_back(std::move(entry)); }

  FakeWindow frmMain{*this, "frmMain", 0x101};
  FakeWindow frmTwo{*this, "frmTwo", 0x202};
  FakeTimer Timer1{*this, "Timer1"};
  FakeTimer Timer2{*this, "Timer2"};
  FakeComm MSComm1{*this};
  FakeUser32 user32{*this};
  FakeToolkit toolkit{*this};
  std::vector<std::string> log;
  // Replies to a message box: run while it is open, as a modal loop would.
  std::vector<std::function<void()>> whileMessageBoxOpen;

 private:
  friend class FakeUser32;
  friend class FakeComm;
  enum class Queued { kSendEvent, kFrmMainClick, kFrmTwoClick };
  void Deliver(Queued event);
  Events* events_ = nullptr;
  std::deque<Queued> queue_;
};

}  // namespace quorvex::fake
