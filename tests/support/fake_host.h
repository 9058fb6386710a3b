// An in-memory platform for tests: records what the program asks of it, in order,
// and lets a test raise the events a real desktop and serial line would.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/failure.h"
#include "platform/host.h"

namespace quorvex::fake {

constexpr double kTwipsPerPixel = 15.0;

class FakeHost;

class FakeOverlay final : public Overlay {
 public:
  FakeOverlay(FakeHost& host, std::string name) : host_(host), name_(std::move(name)) {}
  void Place(const TwipsRect& rect) override;
  void Show(bool shown) override;
  void KeepOnTop() override;
  void Opacity(std::uint8_t value) override;
  void Held(bool value) override;

  // In pixels, rounded as the platforms round them; only while shown.
  bool Contains(Point pixel) const;

  TwipsRect place{0, 0, 4560, 3015};
  std::vector<TwipsRect> places;  // every Place, in order
  bool shown = false;
  bool onTop = false;
  std::optional<std::uint8_t> alpha;
  bool held = false;
  std::optional<Failure> refusesPlace;  // thrown by Place when set

 private:
  FakeHost& host_;
  std::string name_;
};

class FakeTimer final : public Timer {
 public:
  FakeTimer(FakeHost& host, std::string name) : host_(host), name_(std::move(name)) {}
  void Enabled(bool enabled) override;
  bool Enabled() const override { return enabled_; }
  void Interval(std::chrono::milliseconds value) override { interval = value; }

  std::chrono::milliseconds interval{kIntervalMs};

 private:
  FakeHost& host_;
  std::string name_;
  bool enabled_ = false;
};

class FakeLine final : public SerialLine {
 public:
  explicit FakeLine(FakeHost& host) : host_(host) {}
  PortSystem Ports() const override { return ports; }
  void Open(const Port& port) override;
  bool IsOpen() const override { return open; }
  bool Write(std::string_view bytes) override;
  std::string TakeInput() override;
  std::string LostReason() const override { return open ? std::string() : lostReason; }
  std::string Caveat() const override { return open ? caveat : std::string(); }

  PortSystem ports = PortSystem::kWindows;
  std::optional<Port> opened;          // the port asked for
  std::optional<Failure> openFailure;  // thrown by Open when set
  bool open = false;
  bool lineGone = false;  // writes fail, and the port closes, as when an adapter is pulled
  // A loop-back plug: what is written arrives in the receive buffer at once; its
  // event is the test's to raise.
  bool echoes = false;
  std::string waiting;  // the receive buffer
  std::string sent;     // every byte written to the line
  std::string lostReason = "Input/output error";
  std::string caveat;  // what an open line says it will not do

 private:
  FakeHost& host_;
};

class FakePointer final : public Pointer {
 public:
  explicit FakePointer(FakeHost& host) : host_(host) {}
  Press Click(Point at, bool onlyFollowed) override;
  bool Landed() override { return takesRelease; }
  void Return() override;

  Point cursor{.x = 500, .y = 400};
  std::vector<Point> clicks;  // where each click was pressed
  // A button held or the pointer held elsewhere: clicks are refused, nothing pressed.
  bool busy = false;
  std::optional<std::string> cover;  // a window over the followed one, by its title
  bool refusesInput = false;         // the system takes no input
  bool takesRelease = true;          // false: a release held back, as by a window manager
  std::vector<Point> refused;        // every click refused, in order

 private:
  FakeHost& host_;
  std::optional<Point> saved_;
};

class FakeToolkit final : public Toolkit {
 public:
  explicit FakeToolkit(FakeHost& host) : host_(host) {}
  void MsgBox(std::string_view text) override;
  void Notice(std::string_view text) override;
  std::unique_ptr<AppendFile> OpenForAppend(const std::string& path) override;
  bool MoveReplacing(const std::string& from, const std::string& to) override;
  double TwipsPerPixelX() const override { return kTwipsPerPixel; }
  double TwipsPerPixelY() const override { return kTwipsPerPixel; }
  std::chrono::steady_clock::time_point Now() const override { return now; }
  void End(int status) override;

  std::chrono::steady_clock::time_point now{};  // moved on only by the test

  std::vector<std::string> messages;
  std::vector<std::string> notices;
  std::optional<int> exitStatus;

  // Files appended to are real files, written from other threads; File reads one.
  std::string File(const std::string& path);
  void Stall(bool stalled);  // appends wait while stalled, as on a stalled share
  std::optional<Failure> openFailure;
  std::uint64_t sizeAdded = 0;  // counted into every file's size, to make it large
  bool refusesMoves = false;    // as Windows does while a reader shares no deletion
  std::vector<std::pair<std::string, std::string>> moves;  // by filesMutex: each asked

  std::mutex filesMutex;
  std::condition_variable filesChanged;
  bool stalled = false;  // by filesMutex

 private:
  FakeHost& host_;
};

// The application's window: a test moves it, takes it away and brings it back.
class FakeWindow final : public FollowedWindow {
 public:
  explicit FakeWindow(FakeHost& host) : host_(host) {}
  void Follow(std::string_view titlePart) override;
  std::optional<Point> ClientOrigin() override { return told; }
  std::optional<Point> ClientOriginNow() override { return origin; }

  std::optional<std::string> followed;  // the title part asked for
  std::optional<Point> origin;          // where it is; none: no such window is shown
  std::optional<Point> told;            // where the platform last said it is

 private:
  FakeHost& host_;
};

class FakeHost final : public Host {
 public:
  Platform Services() override;
  void Connect(Events& events) override { events_ = &events; }
  int EventLoop() override;

  // Bytes reach the receive buffer; no event is raised.
  void Arrive(std::string_view bytes) { MSComm1.waiting += bytes; }
  // Bytes arrive and the line's event is raised.
  void Receive(std::string_view bytes);
  // The line hangs up, with what had arrived, and its event is raised.
  void HangUp(std::string_view bytesBefore = {});
  // The operator's click on `overlay`, released at `at`.
  void Click(FakeOverlay& overlay, Point at = {});
  // The window is now at `origin` (none: gone) and the platform says so.
  void MoveWindow(std::optional<Point> origin);
  void ChangeScreen();
  // A tick, only if the timer is enabled; true if it ticked.
  bool Tick(FakeTimer& timer);
  // Ticks the click timers (Timer1, Timer2, Timer3) until none is enabled: every click
  // whose release is taken is over. At most 100 rounds, as time stands still: a click
  // that must wait still waits.
  void Land();
  // Delivers the clicks that landed on an overlay, as a real input queue would after
  // the handler that made them.
  void Pump();

  void Record(std::string entry) { log.push_back(std::move(entry)); }

  FakeOverlay frmMain{*this, "frmMain"};
  FakeOverlay frmTwo{*this, "frmTwo"};
  FakeTimer Timer1{*this, "Timer1"};
  FakeTimer Timer2{*this, "Timer2"};
  FakeTimer Timer3{*this, "Timer3"};
  FakeTimer Timer4{*this, "Timer4"};
  FakeTimer Timer5{*this, "Timer5"};
  FakeLine MSComm1{*this};
  FakePointer pointer{*this};
  FakeToolkit toolkit{*this};
  FakeWindow window{*this};
  // What the program asked, in order: "frmMain.Place(900,1500,1200,450)", ...
  std::vector<std::string> log;
  // Replies to a message box: run while it is open, as a modal loop would.
  std::vector<std::function<void()>> whileMessageBoxOpen;

 private:
  friend class FakePointer;
  // Nothing is raised after the end, as on every platform.
  template <typename... Args>
  void Raise(void (Events::*event)(Args...), Args... args) {
    if (events_ != nullptr && !toolkit.exitStatus) {
      (events_->*event)(args...);
    }
  }
  Events* events_ = nullptr;
  std::deque<std::pair<FakeOverlay*, Point>> clicked_;
};

}  // namespace quorvex::fake
