// quorvex.exe: the program on a Windows desktop, and quorvex.com, its console
// companion for --check, --help and --version at a prompt. Start reading here: the host
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
#include "platform/win32/win32_error.h"
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

// A console shows UTF-16 whatever its code page; a file or a pipe takes UTF-8.
void WriteText(HANDLE out, const std::string& text) {
  DWORD mode = 0;
  DWORD written = 0;
  if (::GetConsoleMode(out, &mode)) {
    const std::wstring wide = quorvex::win32::Widen(text);
    ::WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  std::string lines;
  for (const char c : text) {
    lines += c == '\n' ? "\r\n" : std::string(1, c);
  }
  ::WriteFile(out, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
}

// quorvex.com has a console, or its caller's handles; quorvex.exe, a GUI program,
// writes to the console it was started from, and with none shows a message box.
void Say(const std::string& text, bool error, bool console) {
  if (console || ::AttachConsole(ATTACH_PARENT_PROCESS) ||
      ::GetLastError() == ERROR_ACCESS_DENIED) {
    WriteText(::GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE), text);
    return;
  }
  quorvex::win32::ShowMessageBox(text);
}

// The console companion runs the program as quorvex.exe beside it, left to run on
// its own: a console that closes, or Ctrl+C, never ends it.
int StartProgram() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  path = path.substr(0, path.find_last_of(L'.')) + L".exe";
  std::wstring commandLine = L"\"" + path + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup,
                        &started)) {
    Say("Quorvex: " + quorvex::win32::Narrow(path.c_str()) +
            " cannot be started: " + quorvex::win32::SystemReason(::GetLastError()) + "\n",
        true, true);
    return 1;
  }
  ::CloseHandle(started.hThread);
  ::CloseHandle(started.hProcess);
  return 0;
}

// Both programs' one way in: `console` for quorvex.com, a console program.
int Start(HINSTANCE instance, bool console) {
  const std::vector<std::string> given = Arguments();
  const std::vector<std::string_view> arguments(given.begin(), given.end());
  const quorvex::CommandLine line = quorvex::ParseCommandLine(arguments);
  switch (line.ask) {
    case quorvex::Ask::kHelp:
      Say(quorvex::HelpText(), false, console);
      return 0;
    case quorvex::Ask::kVersion:
      Say(quorvex::VersionText(), false, console);
      return 0;
    case quorvex::Ask::kCheck: {
      const quorvex::win32::TwipsScale scale = quorvex::win32::ScreenTwipsScale();
      const auto check = quorvex::CheckSettings(
          {scale.x, scale.y},
          {quorvex::PortSystem::kWindows, &quorvex::PortPresent, &quorvex::PresentPorts});
      Say(check.text, check.status != 0, console);
      return check.status;
    }
    case quorvex::Ask::kRun:
      break;
  }
  // Said only where someone can read it: a box would stop an old shortcut's start.
  const bool attached = console || ::AttachConsole(ATTACH_PARENT_PROCESS);
  for (const std::string& ignored : attached ? line.ignored : std::vector<std::string>{}) {
    Say("Quorvex: " + quorvex::IgnoredText(ignored) + "\n", true, true);
  }
  if (console) {
    return StartProgram();  // its arguments are all said and passed over
  }
  // Attached, the console's close or Ctrl+C would end the program.
  if (attached) {
    ::FreeConsole();
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

}  // namespace

#ifdef QUORVEX_CONSOLE
int main() {
  return Start(::GetModuleHandleW(nullptr), true);
}
#else
int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
  return Start(instance, false);
}
#endif
