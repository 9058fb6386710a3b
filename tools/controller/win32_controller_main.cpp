// build/windows/quorvex-controller.exe: the controller's end of Quorvex's serial
// line, in a console.
#include <iostream>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "controller_options.h"
#include "controller_session.h"
#include "platform/failure.h"
#include "platform/win32/win32_handles.h"
#include "win32_controller_line.h"

namespace quorvex::controller {
namespace {

constexpr int kUsageError = 2;

// What the line's reader and the typing thread share. The typing thread may still
// be blocked in a console read when the program ends, so it holds its own share.
struct Shared {
  Shared(const Options& options, std::string_view port)
      : line(port), session(std::cout, options.answer, [this](std::string_view bytes) {
          if (!line.Write(bytes)) {
            throw std::runtime_error("the port failed while sending");
          }
        }) {}
  Win32Line line;
  std::mutex mutex;  // one line of output, one code sent, at a time
  Session session;
  win32::UniqueHandle inputEnded = win32::MakeEvent();
};

void TypeLines(std::shared_ptr<Shared> shared) {
  std::string typed;
  while (std::getline(std::cin, typed)) {
    const std::lock_guard lock(shared->mutex);
    try {
      shared->session.Typed(typed);
    } catch (const std::exception& error) {
      shared->session.Note(std::string("not sent: ") + error.what());
    }
  }
  ::SetEvent(shared->inputEnded.get());
}

int Serve(const Options& options) {
  const auto shared = std::make_shared<Shared>(options, options.port);
  {
    const std::lock_guard lock(shared->mutex);
    for (const std::string& code : options.codes) {
      shared->session.Send(code);
    }
  }
  std::thread(TypeLines, shared).detach();
  const HANDLE stop = options.listen ? nullptr : shared->inputEnded.get();
  for (;;) {
    const std::optional<std::string> received = shared->line.Read(stop);
    const std::lock_guard lock(shared->mutex);
    if (!received) {
      shared->session.Note("line closed");
      return 1;
    }
    if (received->empty()) {
      return 0;
    }
    shared->session.Received(*received);
  }
}

void Explain(const Failure& failure) {
  // The shared wording points at the program's settings; here the port came from the command line.
  std::string description = failure.what();
  constexpr std::string_view kSettingsHint = " Check CP in tessora.ini.";
  if (description.ends_with(kSettingsHint)) {
    description.resize(description.size() - kSettingsHint.size());
  }
  std::cerr << "quorvex-controller: Error " << failure.number() << ": " << description << '\n';
  const std::string advice = PortAdvice(failure.number(), description, PresentPorts());
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
      std::cout << Usage(UsageFor::kWindows);
      return 0;
    }
    if (options.pty) {
      throw std::invalid_argument("--pty is for Linux: give a port, such as 3 for COM3");
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
