// quorvex-align: sets Quorvex up over an application by pointing at its buttons,
// and shows a settings file over the screen.
#include <exception>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "align_options.h"
#include "align_platform.h"
#include "align_session.h"
#include "common/failure.h"
#include "common/version.h"

int main(int argc, char** argv) {
  using namespace quorvex::align;
  constexpr int kFailed = 1;
  constexpr int kUsageError = 2;
  MakeOutputExact();
  try {
    const Options options = ParseOptions({argv + 1, argv + argc});
    if (options.help) {
      std::cout << Usage();
      return 0;
    }
    if (options.version) {
      std::cout << quorvex::VersionText();
      return 0;
    }
    return Run(options, OpenDesk, std::cin, std::cout, std::cerr);
  } catch (const std::invalid_argument& error) {
    std::cerr << "quorvex-align: " << error.what() << "\n(--help shows the usage)\n";
    return kUsageError;
  } catch (const quorvex::Failure& failure) {
    std::cerr << "quorvex-align: " << failure.Message() << '\n';
  } catch (const std::exception& error) {
    std::cerr << "quorvex-align: " << error.what() << '\n';
  }
  return kFailed;
}
