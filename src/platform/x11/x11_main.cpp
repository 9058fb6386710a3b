// build/linux/quorvex: the program on an X11 desktop.
#include <cstdio>
#include <exception>

#include "app/handlers.h"
#include "platform/failure.h"
#include "platform/x11/x11_host.h"

int main() {
  try {
    quorvex::x11::X11Host host;
    return quorvex::Run(host);
  } catch (const quorvex::Failure& failure) {
    std::fprintf(stderr, "Quorvex: Error %d: %s\n", failure.number(), failure.what());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "Quorvex: %s\n", error.what());
  }
  return 1;
}
