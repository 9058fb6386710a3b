// Drives the program's serial line on a COM port as its window thread does, for the
// end-to-end tests under Wine. Commands on standard input, one a line:
//   open N      Open(COMN): "opened", or "failed REASON"
//   write TEXT  "written" or "refused"
//   query | cancelled | removed
//               WM_DEVICECHANGE for the line's watched device: a removal asked for,
//               then cancelled or done
//   free N      whether COMN can be opened by another handle now: "free" or "busy"
// Raised meanwhile: "input BYTES", "lost REASON" (the line's onInput once it is
// closed), "tick" (a try to open again is over).
#include "platform/win32/win32_api.h"
// After windows.h, whose types it uses.
#include <dbt.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

#include "common/failure.h"
#include "common/port.h"
#include "platform/win32/win32_serial_line.h"
#include "platform/win32/win32_window_class.h"

namespace quorvex::win32 {
namespace {

constexpr UINT kCommand = WM_APP + 100;  // lParam: a std::string* from standard input

void Say(const std::string& text) {
  std::printf("%s\n", text.c_str());
  std::fflush(stdout);
}

class Driver final : public MessageTarget {
 public:
  explicit Driver(HINSTANCE instance)
      : class_(instance, "Quorvex.LineTest", nullptr),
        window_(class_.Create({.parent = HWND_MESSAGE}, *this)),
        line_(
            window_.get(),
            [this] {
              if (line_.IsOpen()) {
                Say("input " + line_.TakeInput());
              } else {
                Say("lost " + line_.LostReason());
              }
            },
            [] { Say("tick"); }) {}

  HWND window() const { return window_.get(); }

  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kCommand) {
      const std::unique_ptr<std::string> command(reinterpret_cast<std::string*>(lParam));
      Run(*command);
      return 0;
    }
    if (line_.OnMessage(message, wParam, lParam)) {
      return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
  }

 private:
  void Run(const std::string& command) {
    const std::string verb = command.substr(0, command.find(' '));
    const std::string rest = command.size() > verb.size() ? command.substr(verb.size() + 1) : "";
    if (verb == "open") {
      try {
        line_.Open(PortFromSetting(rest, PortSystem::kWindows));
        Say("opened");
      } catch (const Failure& failure) {
        Say(std::string("failed ") + failure.what());
      }
    } else if (verb == "write") {
      Say(line_.Write(rest) ? "written" : "refused");
    } else if (verb == "query" || verb == "cancelled" || verb == "removed") {
      DEV_BROADCAST_HANDLE told{};
      told.dbch_size = sizeof told;
      told.dbch_devicetype = DBT_DEVTYP_HANDLE;
      told.dbch_hdevnotify = line_.removalWatch();
      const WPARAM event = verb == "query"       ? DBT_DEVICEQUERYREMOVE
                           : verb == "cancelled" ? DBT_DEVICEQUERYREMOVEFAILED
                                                 : DBT_DEVICEREMOVECOMPLETE;
      ::SendMessageA(window_.get(), WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&told));
      Say(told.dbch_hdevnotify != nullptr ? "told" : "unwatched");
    } else if (verb == "free") {
      const std::string device = PortFromSetting(rest, PortSystem::kWindows).device;
      const HANDLE other = ::CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                         OPEN_EXISTING, 0, nullptr);
      Say(other != INVALID_HANDLE_VALUE ? "free" : "busy");
      if (other != INVALID_HANDLE_VALUE) {
        ::CloseHandle(other);
      }
    } else {
      Say("unknown " + command);
    }
  }

  WindowClass class_;
  UniqueWindow window_;
  Win32SerialLine line_;
};

}  // namespace
}  // namespace quorvex::win32

int main() {
  quorvex::win32::Driver driver(::GetModuleHandleA(nullptr));
  const HWND window = driver.window();
  std::thread([window] {
    for (std::string line; std::getline(std::cin, line);) {
      while (!line.empty() && line.back() == '\r') {
        line.pop_back();
      }
      ::PostMessageA(window, quorvex::win32::kCommand, 0,
                     reinterpret_cast<LPARAM>(new std::string(line)));
    }
    ::PostMessageA(window, WM_QUIT, 0, 0);
  }).detach();
  MSG message{};
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::DispatchMessageA(&message);
  }
  return 0;
}
