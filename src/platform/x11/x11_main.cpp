// build/linux/quorvex: the program on an X11 desktop. Start reading here: the host
// (x11_host.cpp) runs the one event loop, app/handlers.cpp takes its events.
#include <cstdio>
#include <exception>
#include <string>

#include "app/handlers.h"
#include "common/failure.h"
#include "platform/x11/x11_host.h"

int main() {
  try {
    quorvex::x11::X11Host host;
    return quorvex::Run(host);
  } catch (const quorvex::Failure& failure) {
    std::fprintf(stderr, "Quorvex: %s\n", failure.Message().c_str());
  } catch (const std::exception& error) {
    const std::string message = quorvex::FailureMessage(quorvex::failure::kInternal, error.what());
    std::fprintf(stderr, "Quorvex: %s\n", message.c_str());
  }
  return 1;
}
