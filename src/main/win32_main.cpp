// quorvex.exe: the program on a Windows desktop. Start reading here: the host
// (win32_host.cpp) runs the message loop, app/handlers.cpp takes its events.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/check.h"
#include "app/command_line.h"
#include "app/handlers.h"
#include "common/failure.h"
#include "platform/serial_line.h"
#include "platform/win32/win32_host.h"
#include "platform/win32/win32_screen.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/win32_toolkit.h"

#include <shellapi.h>

namespace {

// Only for a desktop that refuses the program's windows: later failures have the toolkit.
int ShowFailure(int number, const std::string& description) {
  quorvex::win32::ShowMessageBox(quorvex::FailureMessage(number, description));
  return 1;
}

std::vector<std::string> Arguments() {
  int count = 0;
  wchar_t** given = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; given != nullptr && i < count; ++i) {
    arguments.push_back(quorvex::win32::Narrow(given[i]));
  }
  ::LocalFree(given);
  return arguments;
}

// A GUI program has no console of its own: it writes to the one it was started
// from, and with none shows a message box.
void Say(const std::string& text, bool error) {
  if (::AttachConsole(ATTACH_PARENT_PROCESS) || ::GetLastError() == ERROR_ACCESS_DENIED) {
    const HANDLE out = ::GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    std::string lines;
    for (const char c : text) {
      lines += c == '\n' ? "\r\n" : std::string(1, c);
    }
    DWORD written = 0;
    ::WriteFile(out, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
    return;
  }
  quorvex::win32::ShowMessageBox(text);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  const std::vector<std::string> given = Arguments();
  const std::vector<std::string_view> arguments(given.begin(), given.end());
  const quorvex::CommandLine line = quorvex::ParseCommandLine(arguments);
  switch (line.ask) {
    case quorvex::Ask::kHelp:
      Say(quorvex::HelpText(), false);
      return 0;
    case quorvex::Ask::kVersion:
      Say(quorvex::VersionText(), false);
      return 0;
    case quorvex::Ask::kCheck: {
      const quorvex::win32::TwipsScale scale = quorvex::win32::ScreenTwipsScale();
      const auto check = quorvex::CheckSettings(
          {scale.x, scale.y},
          {quorvex::PortSystem::kWindows, &quorvex::PortPresent, &quorvex::PresentPorts});
      Say(check.text, check.status != 0);
      return check.status;
    }
    case quorvex::Ask::kRun:
      break;
  }
  // Said only where someone can read it: a box would stop an old shortcut's start.
  if (!line.ignored.empty() && ::AttachConsole(ATTACH_PARENT_PROCESS)) {
    for (const std::string& ignored : line.ignored) {
      Say("Quorvex: " + quorvex::IgnoredText(ignored) + "\n", true);
    }
  }
  try {
    quorvex::win32::Win32Host host(instance);
    return quorvex::Run(host);
  } catch (const quorvex::Failure& failure) {
    return ShowFailure(failure.number(), failure.what());
  } catch (const std::exception& error) {
    return ShowFailure(quorvex::failure::kInternal, error.what());
  }
}
