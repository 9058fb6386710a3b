// quorvex-controller: the controller's end of Quorvex's serial line.
#include <iostream>
#include <stdexcept>
#include <string>

#include "common/failure.h"
#include "common/version.h"
#include "controller_platform.h"
#include "platform/serial_line.h"

namespace quorvex::controller {
namespace {

constexpr int kUsageError = 2;

// The failure without the program's hint (the port came from the command line, not
// from tessora.ini), then the tool's own advice.
void Explain(const Failure& failure) {
  std::cerr << "quorvex-controller: " << FailureMessage(failure.number(), failure.description())
            << '\n';
  const std::string advice = PortAdvice(failure, PresentPorts());
  if (!advice.empty()) {
    std::cerr << advice << '\n';
  }
}

}  // namespace
}  // namespace quorvex::controller

int main(int argc, char** argv) {
  using namespace quorvex::controller;
  try {
    const Options options = ParseOptions({argv + 1, argv + argc});
    if (options.help) {
      std::cout << Usage(ThisPlatform());
      return 0;
    }
    if (options.version) {
      std::cout << quorvex::VersionText();
      return 0;
    }
    return Serve(options);
  } catch (const std::invalid_argument& error) {
    std::cerr << "quorvex-controller: " << error.what() << "\n(--help shows the usage)\n";
    return kUsageError;
  } catch (const quorvex::Failure& failure) {
    Explain(failure);
  } catch (const std::exception& error) {
    std::cerr << "quorvex-controller: " << error.what() << '\n';
  }
  return 1;
}
