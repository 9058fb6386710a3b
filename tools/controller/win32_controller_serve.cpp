// The tool's loop on Windows: the line read on this thread, typing on another.
#include <iostream>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "common/failure.h"
#include "controller_platform.h"
#include "controller_session.h"
#include "platform/win32/win32_handles.h"
#include "win32_controller_line.h"

namespace quorvex::controller {
namespace {

// What the line's reader and the typing thread share. The typing thread may still
// be blocked in a console read when the program ends, so it holds its own share.
struct Shared {
  Shared(const Options& options, std::string_view port)
      : line(port),
        session(std::cout, {.answer = options.answer, .heartbeat = options.heartbeat},
                [this](std::string_view bytes) {
                  if (!line.Write(bytes)) {
                    throw std::runtime_error("the port failed while sending");
                  }
                  return true;
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

}  // namespace

UsageFor ThisPlatform() {
  return UsageFor::kWindows;
}

int Serve(const Options& options) {
  if (options.pty) {
    throw std::invalid_argument("--pty is for Linux: give a port, such as 3 for COM3");
  }
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
    DWORD timeout = INFINITE;
    {
      const std::lock_guard lock(shared->mutex);
      if (const auto deadline = shared->session.Deadline()) {
        timeout = static_cast<DWORD>(WaitMs(*deadline));
      }
    }
    std::string received;
    const Win32Line::Woke woke = shared->line.Read(stop, timeout, received);
    const std::lock_guard lock(shared->mutex);
    switch (woke) {
      case Win32Line::Woke::kGone:
        shared->session.Flush();
        shared->session.Note("line closed");
        return 1;
      case Win32Line::Woke::kStopped:
        shared->session.Flush();
        return 0;
      case Win32Line::Woke::kBytes:
        shared->session.Received(received);
        break;
      case Win32Line::Woke::kTimedOut:
        break;
    }
    shared->session.Due();
  }
}

}  // namespace quorvex::controller
