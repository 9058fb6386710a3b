// Any byte stream, cut into reads any way, with empty events (a hang-up) between
// them: clicks land only on the three configured points, windows move only by the
// step-asides and their restores, the cursor only goes back, visibility changes come
// in pairs, and nothing is sent on the line.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/handlers.h"
#include "support/fake_host.h"

namespace {

using quorvex::Point;

void Check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

constexpr Point kStart{.x = 1001, .y = 1002};
constexpr Point kStop{.x = -2001, .y = 2002};
constexpr Point kStart2{.x = 3001, .y = -3002};

bool Allowed(const std::string& entry) {
  static const std::string_view kAllowed[] = {"MSComm1.TakeInput",
                                              "Click(1001,1002)",
                                              "Click(-2001,2002)",
                                              "Click(3001,-3002)",
                                              "frmMain.Place(30,0,0,0)",
                                              "frmTwo.Place(50,0,0,0)",
                                              "frmMain.Place(30,40,0,0)",
                                              "frmTwo.Place(50,60,0,0)",
                                              "Timer1.Enabled(1)",
                                              "Timer1.Enabled(0)",
                                              "Timer2.Enabled(1)",
                                              "Timer2.Enabled(0)",
                                              "frmMain.Show(1)",
                                              "frmTwo.Show(1)",
                                              "frmMain.Show(0)",
                                              "frmTwo.Show(0)",
                                              "Return"};
  for (const auto allowed : kAllowed) {
    if (entry == allowed) {
      return true;
    }
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quorvex::fake::FakeHost host;
  quorvex::Program program(host.Services());
  quorvex::Handlers handlers(program);
  host.Connect(handlers);
  auto& s = program.Settings;
  std::tie(s.STRX, s.STRY, s.STPX, s.STPY, s.STRX2, s.STRY2) =
      std::tuple(kStart.x, kStart.y, kStop.x, kStop.y, kStart2.x, kStart2.y);
  std::tie(s.PL, s.PT, s.PL2, s.PT2) = std::tuple(30, 40, 50, 60);
  host.MSComm1.open = true;

  // Each control byte says what comes next: an event, a tick, or a read of up to 15 bytes.
  for (std::size_t i = 0; i < size;) {
    const std::uint8_t control = data[i++];
    switch (control >> 4) {
      case 0:
      case 1:
        host.Receive("");
        break;
      case 2:
        host.Tick(control & 1 ? host.Timer1 : host.Timer2);
        break;
      default: {
        const std::size_t length = std::min<std::size_t>(control & 0x0F, size - i);
        host.Receive(std::string_view(reinterpret_cast<const char*>(data + i), length));
        i += length;
      }
    }
  }
  host.Pump();

  Check(host.MSComm1.sent.empty());
  Check(host.toolkit.messages.empty());
  for (const Point& click : host.pointer.clicks) {
    Check(click == kStart || click == kStop || click == kStart2);
  }
  for (std::size_t i = 0; i < host.log.size(); ++i) {
    Check(Allowed(host.log[i]));
    if (host.log[i].starts_with("frmMain.Show")) {
      Check(i + 1 < host.log.size() && host.log[i + 1] == "frmTwo." + host.log[i].substr(8));
    }
  }
  return 0;
}
