#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/settings.h"

namespace quorvex {
namespace {

std::filesystem::path WriteFile(const std::string& name, const std::string& text) {
  const auto path = std::filesystem::temp_directory_path() / name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

void ReadFileBench(benchmark::State& state, const std::string& text) {
  const auto path = WriteFile("quorvex-bench-" + std::to_string(text.size()) + ".ini", text);
  for (auto _ : state) {
    SettingsRecord settings;
    ReadFile(settings, path.string());
    benchmark::DoNotOptimize(settings);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  std::filesystem::remove(path);
}

void BM_ReadFile_Typical21Keys(benchmark::State& state) {
  ReadFileBench(state,
                "AUTOCONN:1\r\nVERSION:100\r\nCP:3\r\nPT:1500\r\nPL:900\r\nFW:1200\r\nFH:450\r\n"
                "CX:0\r\nCY:0\r\nCW:0\r\nCH:0\r\nSTRX:100\r\nSTRY:110\r\nSTPX:200\r\nSTPY:210\r\n"
                "PT2:3000\r\nPL2:950\r\nFW2:1300\r\nFH2:460\r\nSTRX2:300\r\nSTRY2:310\r\n");
}
BENCHMARK(BM_ReadFile_Typical21Keys);

void BM_ReadFile_1MiBWithoutKeys(benchmark::State& state) {
  std::string text;
  while (text.size() < (1u << 20)) {
    text += "just a remark, another remark\r\n";
  }
  ReadFileBench(state, text);
}
BENCHMARK(BM_ReadFile_1MiBWithoutKeys)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvex
