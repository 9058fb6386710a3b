// build/bench/bench/quorvex_probe: the measuring side of the end-to-end figures.
//   quorvex_probe session LINE_FD X Y W H
//       maps a target window at that rectangle, prints "ready", then runs one
//       measurement per line of stdin, printing one line each:
//         code-to-click ROUNDS [OVERLAY]   step-aside ROUNDS OVERLAY
//             (code-to-click also times the cursor's way back to the target's corner)
//         click-to-code ROUNDS X Y         line-rate SECONDS OVERLAY
//         application X Y W H TITLE        (maps it; prints "application ID")
//         follow SECONDS RATE FOLLOWER DX DY   (moves the application)
//   quorvex_probe start-up ROUNDS CLASS[,CLASS...] PROGRAM [ARGUMENT...]
// LINE_FD is the controller's end of the line, inherited; OVERLAY a window id.
#include <sched.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "probe_measure.h"

namespace quorvex::bench {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  for (std::string part; std::getline(stream, part, separator);) {
    parts.push_back(part);
  }
  return parts;
}

void RunSession(char** argv) {
  ProbeDisplay x;
  ProbeLine line(std::atoi(argv[0]));
  const Rect place{std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4])};
  const Window target = x.CreateTarget(place);
  const struct { int x, y; } rest{place.x + place.width - 10, place.y + place.height - 10};
  std::printf("ready\n");
  std::fflush(stdout);
  Measure measure(x, line, target);
  Window application = None;
  for (std::string command; std::getline(std::cin, command);) {
    std::istringstream words(command);
    std::string what;
    words >> what;
    if (what == "code-to-click" || what == "step-aside") {
      int rounds = 0;
      unsigned long overlay = 0;
      words >> rounds >> overlay;
      if (overlay) {
        x.Watch(overlay);
      }
      // The cursor rests over the target, clear of every overlay, so that its way back
      // is seen.
      measure.CodeToClick(rounds, overlay, what == "code-to-click", rest.x, rest.y);
    } else if (what == "click-to-code") {
      int rounds = 0, px = 0, py = 0;
      words >> rounds >> px >> py;
      measure.ClickToCode(rounds, px, py);
    } else if (what == "line-rate") {
      double seconds = 0;
      unsigned long overlay = 0;
      words >> seconds >> overlay;
      x.Watch(overlay);
      measure.LineRate(seconds, overlay);
    } else if (what == "application") {
      Rect rect{};
      std::string title;
      words >> rect.x >> rect.y >> rect.width >> rect.height;
      std::getline(words >> std::ws, title);
      application = x.CreateApplication(rect, title);
      std::printf("application %lu\n", application);
      std::fflush(stdout);
    } else if (what == "follow") {
      double seconds = 0, rate = 0;
      unsigned long follower = 0;
      int dx = 0, dy = 0;
      words >> seconds >> rate >> follower >> dx >> dy;
      x.Watch(follower);
      measure.Follow(seconds, rate, application, follower, dx, dy);
    } else {
      std::printf("unknown %s\n", what.c_str());
      std::fflush(stdout);
    }
  }
}

}  // namespace
}  // namespace quorvex::bench

int main(int argc, char** argv) {
  using namespace quorvex::bench;
  // The instrument observes promptly when it may run before the programs it watches;
  // where that is not allowed it runs as it is, and the figures say so by their spread.
  sched_param realtime{.sched_priority = 1};
  sched_setscheduler(0, SCHED_FIFO, &realtime);
  try {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "session" && argc == 7) {
      RunSession(argv + 2);
      return 0;
    }
    if (mode == "start-up" && argc >= 5) {
      ProbeDisplay x;
      StartUp(x, std::atoi(argv[2]), Split(argv[3], ','), argv + 4);
      return 0;
    }
    std::fprintf(stderr, "usage: see the head of bench/linux/probe_main.cpp\n");
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quorvex_probe: %s\n", error.what());
  }
  return 1;
}
