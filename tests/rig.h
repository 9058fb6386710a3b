// A program on the fake platform, and a working directory holding a settings file.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "app/handlers.h"
#include "app/program.h"
#include "support/fake_host.h"

namespace quorvex::testing {

struct Rig {
  Rig() { host.Connect(handlers); }
  // The log from `mark` on.
  std::vector<std::string> LogFrom(std::size_t mark) const {
    return {host.log.begin() + static_cast<std::ptrdiff_t>(mark), host.log.end()};
  }

  fake::FakeHost host;
  Program program{host.Services()};
  Handlers handlers{program};
};

// Runs a test inside a fresh directory, optionally holding tessora.ini.
class ScopedWorkingDirectory {
 public:
  ScopedWorkingDirectory() : previous_(std::filesystem::current_path()) {
    std::random_device random;
    dir_ = std::filesystem::temp_directory_path() / ("quorvex-test-" + std::to_string(random()));
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
  }
  ~ScopedWorkingDirectory() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
  ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

  void Write(std::string_view name, std::string_view text) const {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }
  const std::filesystem::path& path() const { return dir_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path dir_;
};

}  // namespace quorvex::testing
