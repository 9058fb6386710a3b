// quorvex.exe: the program on a Windows desktop. Start reading here: the host
// (win32_host.cpp) runs the message loop, app/handlers.cpp takes its events.
#include <exception>
#include <string>

#include "app/handlers.h"
#include "common/failure.h"
#include "platform/win32/win32_host.h"
#include "platform/win32/win32_toolkit.h"

namespace {

// Only for a desktop that refuses the program's windows: later failures have the toolkit.
int ShowFailure(int number, const std::string& description) {
  quorvex::win32::ShowMessageBox(quorvex::FailureMessage(number, description));
  return 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  try {
    quorvex::win32::Win32Host host(instance);
    return quorvex::Run(host);
  } catch (const quorvex::Failure& failure) {
    return ShowFailure(failure.number(), failure.what());
  } catch (const std::exception& error) {
    return ShowFailure(quorvex::failure::kInternal, error.what());
  }
}
