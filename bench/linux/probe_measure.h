// The measurements that need a precise clock on both sides of the program: each
// prints its samples (nanoseconds) or its counts as one line on stdout.
#pragma once

#include <string>
#include <vector>

#include "probe_line.h"
#include "probe_x11.h"

namespace quorvex::bench {

class Measure {
 public:
  Measure(ProbeDisplay& x, ProbeLine& line, Window target) : x_(x), line_(line), target_(target) {}

  // "10", then the press on the target and the cursor back at `rest` over it (unless
  // not `clicks`: a program under Wine clicks inside Wine only); with `overlay`, also
  // how long it stayed at y 0.
  void CodeToClick(int rounds, Window overlay, bool clicks = true, int restX = 0, int restY = 0);
  // An XTEST click at (x, y), then "101" readable on the line.
  void ClickToCode(int rounds, int x, int y);
  // "20", "40" and "50" at 960 characters a second in chunks of 1 to 7 characters;
  // every press on the target and every map and unmap of `overlay` is counted.
  void LineRate(double seconds, Window overlay);
  // Moves `application` `rate` times a second for `seconds`, each time to a new place:
  // from the move (its ConfigureNotify made) to `follower`'s ConfigureNotify at the same
  // place moved by (dx, dy). A move not followed within 100 ms is missed.
  void Follow(double seconds, double rate, Window application, Window follower, int dx, int dy);

 private:
  void Settle(int ms);

  ProbeDisplay& x_;
  ProbeLine& line_;
  Window target_;
};

// Starts `program` `rounds` times, each time until every window of the given class
// names has been mapped, and prints the times from the spawn.
void StartUp(ProbeDisplay& x, int rounds, const std::vector<std::string>& classes, char** program);

}  // namespace quorvex::bench
