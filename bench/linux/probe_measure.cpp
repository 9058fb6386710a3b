#include "probe_measure.h"

#include <X11/Xutil.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <set>
#include <stdexcept>

#include "probe_clock.h"

extern char** environ;

namespace quorvex::bench {
namespace {

constexpr std::int64_t kMs = 1'000'000;
constexpr std::int64_t kGiveUp = 2'000 * kMs;      // a round that takes longer is missed
constexpr double kCharsPerSecond = 960.0;          // 9600 baud, 10 bits a character
constexpr std::int64_t kFollowGiveUp = 100 * kMs;  // a move followed later is missed

void Print(const char* name, const std::vector<std::int64_t>& samples, int missed) {
  std::printf("%s missed=%d", name, missed);
  for (const std::int64_t sample : samples) {
    std::printf(" %lld", static_cast<long long>(sample));
  }
  std::printf("\n");
  std::fflush(stdout);
}

std::string ClassOf(Display* display, Window window) {
  XClassHint hint{};
  if (!XGetClassHint(display, window, &hint)) {
    return {};
  }
  std::string name = hint.res_name ? hint.res_name : "";
  XFree(hint.res_name);
  XFree(hint.res_class);
  return name;
}

}  // namespace

void Measure::Settle(int ms) {
  XEvent event;
  const std::int64_t until = NowNs() + ms * kMs;
  while (x_.NextEvent(event, until)) {
  }
  line_.Drain();
}

void Measure::CodeToClick(int rounds, Window overlay, bool clicks, int restX, int restY) {
  std::vector<std::int64_t> pressTimes, cursorTimes, asides, asidesSeen;
  int missed = 0;
  if (clicks) {
    x_.MoveTo(restX, restY);
  }
  for (int round = 0; round < rounds; ++round) {
    Settle(2);
    // Read before the write: a reader woken by it may take this CPU at once.
    const std::int64_t sent = NowNs();
    line_.Write("10");
    std::int64_t pressed = 0, cursorBack = 0, aside = 0, back = 0;
    XEvent event;
    const auto done = [&] { return (!clicks || (pressed && cursorBack)) && (back || !overlay); };
    while (!done() && x_.NextEvent(event, sent + kGiveUp)) {
      const std::int64_t now = NowNs();
      if (event.type == ButtonPress && event.xbutton.window == target_) {
        pressed = now;
      } else if (event.type == MotionNotify && event.xmotion.window == target_ && pressed &&
                 event.xmotion.x_root == restX && event.xmotion.y_root == restY) {
        cursorBack = now;
      } else if (event.type == ConfigureNotify && event.xconfigure.window == overlay) {
        if (event.xconfigure.y == 0 && !aside) {
          aside = now;
        } else if (aside && event.xconfigure.y != 0) {
          back = now;
        }
      }
    }
    if (!done()) {
      ++missed;
      continue;
    }
    if (clicks) {
      pressTimes.push_back(pressed - sent);
      cursorTimes.push_back(cursorBack - sent);
    }
    if (overlay) {
      asides.push_back(back - aside);
      asidesSeen.push_back(aside - sent);
    }
  }
  if (clicks) {
    Print("code-to-click", pressTimes, missed);
    Print("code-to-cursor-back", cursorTimes, missed);
  }
  if (overlay) {
    // How late the move aside was seen: a late sighting shortens the step-aside seen.
    Print("aside-seen", asidesSeen, missed);
    Print("step-aside", asides, missed);
  }
}

void Measure::ClickToCode(int rounds, int x, int y) {
  std::vector<std::int64_t> samples;
  int missed = 0;
  x_.MoveTo(x, y);
  for (int round = 0; round < rounds; ++round) {
    Settle(2);
    const std::int64_t clicked = NowNs();
    x_.Click();
    if (line_.WaitFor("101", clicked + kGiveUp)) {
      samples.push_back(NowNs() - clicked);
    } else {
      ++missed;
    }
  }
  Print("click-to-code", samples, missed);
}

void Measure::LineRate(double seconds, Window overlay) {
  std::mt19937 random(960);
  bool shown = true;
  int twenties = 0, shows = 0, hides = 0;
  const auto total = static_cast<std::size_t>(seconds * kCharsPerSecond) / 2 * 2;
  std::string stream;
  while (stream.size() < total) {
    if (random() % 3 != 0) {
      ++twenties;
      stream += "20";
    } else {
      shown = !shown;  // each show and hide changes something the X server reports
      ++(shown ? shows : hides);
      stream += shown ? "40" : "50";
    }
  }
  int presses = 0, maps = 0, unmaps = 0;
  XEvent event;
  const auto take = [&](std::int64_t until) {
    while (x_.NextEvent(event, until)) {
      presses += event.type == ButtonPress && event.xbutton.window == target_;
      maps += event.type == MapNotify && event.xmap.window == overlay;
      unmaps += event.type == UnmapNotify && event.xunmap.window == overlay;
    }
  };
  Settle(50);
  std::string unasked;
  const std::int64_t start = NowNs();
  for (std::size_t sent = 0; sent < total;) {
    const std::size_t size = std::min<std::size_t>(1 + random() % 7, total - sent);
    // A chunk goes when its last character would have arrived at the line's rate.
    take(start +
         static_cast<std::int64_t>(static_cast<double>(sent + size) * 1e9 / kCharsPerSecond));
    line_.Write(std::string_view(stream).substr(sent, size));
    sent += size;
    unasked += line_.Drain();
  }
  const double elapsed = static_cast<double>(NowNs() - start) / 1e9;
  take(NowNs() + kGiveUp);  // what is still in flight, and anything extra, arrives
  unasked += line_.Drain();
  std::printf(
      "line-rate seconds=%.3f chars=%zu codes=%d sent20=%d presses=%d sent40=%d maps=%d "
      "sent50=%d unmaps=%d unasked=%zu\n",
      elapsed, total, twenties + shows + hides, twenties, presses, shows, maps, hides, unmaps,
      unasked.size());
  std::fflush(stdout);
}

void Measure::Follow(double seconds, double rate, Window application, Window follower, int dx,
                     int dy) {
  XWindowAttributes at{};
  XGetWindowAttributes(x_.get(), application, &at);
  const auto moves = static_cast<int>(seconds * rate);
  const auto period = static_cast<std::int64_t>(1e9 / rate);
  std::vector<std::int64_t> samples;
  int missed = 0;
  XEvent event;
  Settle(50);
  const std::int64_t start = NowNs();
  for (int move = 0; move < moves; ++move) {
    const std::int64_t due = start + move * period;
    while (x_.NextEvent(event, due)) {
    }
    // A drag's path: every place differs from the one before, the first from the start.
    const int x = at.x + (move % 40 + 1) * 3;
    const int y = at.y + (move % 25 + 1) * 2;
    XMoveWindow(x_.get(), application, x, y);
    XFlush(x_.get());
    // The server makes the window's ConfigureNotify as it takes the move, before the
    // probe could read it: a follower faster than the probe's own wake-up would read
    // as no time at all.
    const std::int64_t sent = NowNs();
    bool seen = false;
    std::int64_t followed = 0;
    while (!followed && x_.NextEvent(event, sent + kFollowGiveUp)) {
      if (event.type != ConfigureNotify) {
        continue;
      }
      const XConfigureEvent& c = event.xconfigure;
      if (c.window == application && c.x == x && c.y == y && !seen) {
        seen = true;
      } else if (c.window == follower && seen && c.x == x + dx && c.y == y + dy) {
        followed = NowNs();
      }
    }
    if (followed) {
      samples.push_back(followed - sent);
    } else {
      ++missed;
    }
  }
  XMoveWindow(x_.get(), application, at.x, at.y);  // where the next run starts from
  Settle(50);
  Print("follow", samples, missed);
}

void StartUp(ProbeDisplay& x, int rounds, const std::vector<std::string>& classes, char** program) {
  x.WatchMaps();
  std::vector<std::int64_t> samples;
  int missed = 0;
  for (int round = 0; round < rounds; ++round) {
    pid_t pid = 0;
    const std::int64_t spawned = NowNs();
    if (posix_spawn(&pid, program[0], nullptr, nullptr, program, environ) != 0) {
      throw std::runtime_error(std::string("cannot start ") + program[0]);
    }
    std::set<std::string> waiting(classes.begin(), classes.end());
    std::int64_t mapped = 0;
    XEvent event;
    while (!waiting.empty() && x.NextEvent(event, spawned + 10'000 * kMs)) {
      const std::int64_t now = NowNs();
      if (event.type == MapNotify && waiting.erase(ClassOf(x.get(), event.xmap.window)) &&
          waiting.empty()) {
        mapped = now;
      }
    }
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    if (mapped) {
      samples.push_back(mapped - spawned);
    } else {
      ++missed;
    }
  }
  Print("start-up", samples, missed);
}

}  // namespace quorvex::bench
