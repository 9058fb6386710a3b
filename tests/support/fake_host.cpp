#include "support/fake_host.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "common/twips.h"

namespace quorvex::fake {

void FakeOverlay::Place(const TwipsRect& rect) {
  if (refusesPlace) {
    throw *refusesPlace;
  }
  place = rect;
  places.push_back(rect);
  host_.Record(name_ + ".Place(" + std::to_string(rect.left) + "," + std::to_string(rect.top) +
               "," + std::to_string(rect.width) + "," + std::to_string(rect.height) + ")");
}

void FakeOverlay::Show(bool value) {
  shown = value;
  host_.Record(name_ + ".Show(" + std::to_string(value) + ")");
}

void FakeOverlay::KeepOnTop() {
  onTop = true;
  host_.Record(name_ + ".KeepOnTop");
}

void FakeOverlay::Opacity(std::uint8_t value) {
  alpha = value;
  host_.Record(name_ + ".Opacity(" + std::to_string(value) + ")");
}

void FakeOverlay::Held(bool value) {
  held = value;
  host_.Record(name_ + ".Held(" + std::to_string(value) + ")");
}

bool FakeOverlay::Contains(Point pixel) const {
  const int x = TwipsToPixels(place.left, kTwipsPerPixel);
  const int y = TwipsToPixels(place.top, kTwipsPerPixel);
  return shown && pixel.x >= x && pixel.x < x + TwipsToPixels(place.width, kTwipsPerPixel) &&
         pixel.y >= y && pixel.y < y + TwipsToPixels(place.height, kTwipsPerPixel);
}

void FakeTimer::Enabled(bool enabled) {
  enabled_ = enabled;
  host_.Record(name_ + ".Enabled(" + std::to_string(enabled) + ")");
}

void FakeLine::Open(const Port& port) {
  host_.Record("MSComm1.Open(" + port.name + ")");
  opened = port;
  if (openFailure) {
    throw *openFailure;
  }
  open = true;
}

bool FakeLine::Write(std::string_view bytes) {
  host_.Record("MSComm1.Write(" + std::string(bytes) + ")");
  if (lineGone) {
    open = false;
    return false;
  }
  sent += bytes;
  if (echoes) {
    waiting += bytes;
  }
  return true;
}

std::string FakeLine::TakeInput() {
  host_.Record("MSComm1.TakeInput");
  return std::exchange(waiting, {});
}

// A click on an overlay still shown there is heard by it after the current handler.
Press FakePointer::Click(Point at, bool onlyFollowed) {
  const std::string where = std::to_string(at.x) + "," + std::to_string(at.y);
  Press press;
  if (busy) {
    press.result = Press::Result::kBusy;
  } else if (onlyFollowed && cover) {
    press = {.result = Press::Result::kCovered, .detail = *cover};
  } else if (refusesInput) {
    press.result = Press::Result::kRefused;
  }
  if (press.result != Press::Result::kPressed) {
    host_.Record("Refused(" + where + ")");
    refused.push_back(at);
    return press;
  }
  host_.Record("Click(" + where + ")");
  clicks.push_back(at);
  saved_ = cursor;
  cursor = at;
  for (FakeOverlay* overlay : {&host_.frmMain, &host_.frmTwo}) {
    if (overlay->Contains(at)) {
      host_.clicked_.emplace_back(overlay, at);
      break;
    }
  }
  return press;
}

void FakePointer::Return() {
  host_.Record("Return");
  if (saved_) {
    cursor = *std::exchange(saved_, std::nullopt);
  }
}

void FakeToolkit::MsgBox(std::string_view text) {
  host_.Record("MsgBox(" + std::string(text) + ")");
  messages.emplace_back(text);
  for (auto& reply : std::exchange(host_.whileMessageBoxOpen, {})) {
    reply();
  }
}

void FakeToolkit::Notice(std::string_view text) {
  host_.Record("Notice(" + std::string(text) + ")");
  notices.emplace_back(text);
}

namespace {

class FakeAppendFile final : public AppendFile {
 public:
  FakeAppendFile(FakeToolkit& toolkit, std::string path)
      : toolkit_(toolkit), path_(std::move(path)) {}
  bool Append(std::string_view bytes) override {
    std::unique_lock lock(toolkit_.filesMutex);
    toolkit_.filesChanged.wait(lock, [this] { return !toolkit_.stalled; });
    std::ofstream(path_, std::ios::binary | std::ios::app) << bytes;
    return true;
  }
  std::uint64_t Size() const override {
    const std::lock_guard lock(toolkit_.filesMutex);
    std::error_code ignored;
    const auto size = std::filesystem::file_size(path_, ignored);
    return (ignored ? 0 : size) + toolkit_.sizeAdded;
  }

 private:
  FakeToolkit& toolkit_;
  std::string path_;
};

}  // namespace

std::unique_ptr<AppendFile> FakeToolkit::OpenForAppend(const std::string& path) {
  if (openFailure) {
    throw *openFailure;
  }
  std::ofstream(path, std::ios::binary | std::ios::app).flush();
  return std::make_unique<FakeAppendFile>(*this, path);
}

bool FakeToolkit::MoveReplacing(const std::string& from, const std::string& to) {
  const std::lock_guard lock(filesMutex);
  moves.emplace_back(from, to);
  std::error_code failed;
  if (!refusesMoves) {
    std::filesystem::rename(from, to, failed);
  }
  return !refusesMoves && !failed;
}

std::string FakeToolkit::File(const std::string& path) {
  const std::lock_guard lock(filesMutex);
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void FakeToolkit::Stall(bool value) {
  const std::lock_guard lock(filesMutex);
  stalled = value;
  filesChanged.notify_all();
}

void FakeToolkit::End(int status) {
  host_.Record("End(" + std::to_string(status) + ")");
  if (!exitStatus) {
    exitStatus = status;
  }
}

void FakeWindow::Follow(std::string_view titlePart) {
  host_.Record("Follow(" + std::string(titlePart) + ")");
  followed = std::string(titlePart);
  told = origin;
}

Platform FakeHost::Services() {
  return {.frmMain = frmMain,
          .frmTwo = frmTwo,
          .Timer1 = Timer1,
          .Timer2 = Timer2,
          .Timer3 = Timer3,
          .Timer4 = Timer4,
          .Timer5 = Timer5,
          .MSComm1 = MSComm1,
          .pointer = pointer,
          .toolkit = toolkit,
          .window = window};
}

int FakeHost::EventLoop() {
  Pump();
  return toolkit.exitStatus.value_or(0);
}

void FakeHost::Receive(std::string_view bytes) {
  Arrive(bytes);
  Raise(&Events::MSComm1_OnComm);
}

void FakeHost::HangUp(std::string_view bytesBefore) {
  MSComm1.open = false;
  Receive(bytesBefore);
}

void FakeHost::Click(FakeOverlay& overlay, Point at) {
  Raise(&overlay == &frmMain ? &Events::frmMain_Click : &Events::frmTwo_Click, at);
}

void FakeHost::MoveWindow(std::optional<Point> origin) {
  window.origin = origin;
  window.told = origin;
  Raise(&Events::Window_Moved);
}

void FakeHost::ChangeScreen() {
  Raise(&Events::ScreenChanged);
}

bool FakeHost::Tick(FakeTimer& timer) {
  if (!timer.Enabled()) {
    return false;
  }
  Raise(&timer == &Timer1   ? &Events::Timer1_Timer
        : &timer == &Timer2 ? &Events::Timer2_Timer
        : &timer == &Timer3 ? &Events::Timer3_Timer
        : &timer == &Timer4 ? &Events::Timer4_Timer
                            : &Events::Timer5_Timer);
  return true;
}

void FakeHost::Land() {
  for (int round = 0; round < 100; ++round) {
    bool ticked = false;
    for (FakeTimer* timer : {&Timer1, &Timer2, &Timer3}) {
      ticked = Tick(*timer) || ticked;
    }
    if (!ticked) {
      return;
    }
  }
}

void FakeHost::Pump() {
  while (!clicked_.empty()) {
    const auto [overlay, at] = clicked_.front();
    clicked_.pop_front();
    Click(*overlay, at);
  }
}

}  // namespace quorvex::fake
