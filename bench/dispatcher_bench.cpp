#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "commands/dispatcher.h"
#include "support/fake_host.h"

namespace quorvex {
namespace {

// A platform whose calls cost nothing, so the figure is the dispatcher's own.
struct Null final : Overlay, Timer, Pointer, Log {
  void Place(const TwipsRect&) override {}
  void Show(bool) override {}
  void KeepOnTop() override {}
  void Opacity(std::uint8_t) override {}
  void Held(bool) override {}
  void Enabled(bool) override {}
  bool Enabled() const override { return false; }
  void Interval(std::chrono::milliseconds) override {}
  Press Click(Point, bool) override { return {}; }
  bool Landed() override { return true; }
  void Return() override {}
  void Write(std::string_view) override {}
};

// One million codes cut into reads of mixed shape: single codes, several joined
// with line ends, and codes split across two reads.
std::vector<std::string> MixedReads(std::size_t codes) {
  std::mt19937 random(7);
  std::vector<std::string> reads;
  std::string pending;
  for (std::size_t sent = 0; sent < codes;) {
    const int joined = 1 + static_cast<int>(random() % 4);
    std::string read = std::exchange(pending, {});
    for (int i = 0; i < joined && sent < codes; ++i, ++sent) {
      read += static_cast<char>('1' + random() % 5);
      read += '0';
      if (random() % 3 == 0) {
        read += "\r\n";
      }
    }
    if (random() % 4 == 0 && read.back() == '0') {
      pending.push_back(0x30);  // "0": the code's second character arrives with the next read
      read.pop_back();
    }
    reads.push_back(std::move(read));
  }
  if (!pending.empty()) {
    reads.push_back(pending);
  }
  return reads;
}

void BM_DispatchMillionCodes(benchmark::State& state) {
  constexpr std::size_t kCodes = 1'000'000;
  const std::vector<std::string> reads = MixedReads(kCodes);
  Null null;
  fake::FakeHost host;  // only its serial line and toolkit are used
  const Platform platform{.frmMain = null,
                          .frmTwo = null,
                          .Timer1 = null,
                          .Timer2 = null,
                          .Timer3 = null,
                          .Timer4 = null,
                          .Timer5 = null,
                          .MSComm1 = host.MSComm1,
                          .pointer = null,
                          .toolkit = host.toolkit,
                          .window = host.window};
  const SettingsRecord settings;
  Placement placement(platform, settings, null);
  Clicks clicks(placement, nullptr);
  Dispatcher dispatcher(placement, clicks);
  for (auto _ : state) {
    for (const std::string& read : reads) {
      dispatcher.DispatchCommand(read);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kCodes));
  state.counters["ns_per_code"] =
      benchmark::Counter(static_cast<double>(state.iterations() * kCodes),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DispatchMillionCodes)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvex
