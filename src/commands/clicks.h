// The controller's clicks: "10", "20", "30", the restores that follow them, and the
// wait of a click that cannot be made at once.
#pragma once

#include <chrono>
#include <deque>
#include <optional>

#include "commands/placement.h"

namespace quorvex {

// Whether an overlay of this left, width and height in pixels, moved to the top edge,
// would still cover the point: it then steps wholly above the edge for that click.
bool CoversAtTopEdge(int left, int width, int height, Point point);

// Every approved click is made once, in the order approved, or reported lost. A click
// the pointer cannot make now (a button held, the pointer held by another window or
// program) is tried again on Timer3 for up to kPatience from its first try; the clicks
// of later codes wait behind it, each with its own kPatience from its turn, so that a
// quick run of codes is not lost to the time the clicks ahead of it take. Nothing
// else waits: other codes, the restores and the operator's own clicks keep their turn.
// Each try clicks where the application's window is at that moment (WINDOW).
class Clicks {
 public:
  static constexpr std::chrono::milliseconds kPatience{1000};

  explicit Clicks(Placement& placement) : placement_(placement) {}

  // Code "10": frmMain steps aside to the top edge (above it, if it would still cover
  // the point there), the primary button clicks at (STRX, STRY), the cursor goes
  // back, Timer1 will put frmMain back. An overlay stays aside while its click waits.
  void Start() { Add(Kind::kStart); }
  // Code "20": a click at (STPX, STPY); no window moves.
  void Stop() { Add(Kind::kStop); }
  // Code "30": as Start with frmTwo, (STRX2, STRY2) and Timer2.
  void Start2() { Add(Kind::kStart2); }

  void Timer1_Timer();
  void Timer2_Timer();
  // The waiting clicks are tried again, in order; those past their time are dropped
  // and reported.
  void Timer3_Timer();
  // Nothing more is pressed (a failure is ending the program): every waiting click
  // is reported lost and its overlay goes back.
  void AbandonAll();

 private:
  enum class Kind { kStart, kStop, kStart2 };
  struct Pending {
    Kind kind;
    std::optional<std::chrono::steady_clock::time_point> deadline;  // from the first refusal
    bool aside = false;
  };
  struct Target {
    Overlay* overlay;  // null: nothing steps aside
    Timer* restore;
    Point point;  // from the settings, before any window's origin
    const char* code;
  };

  Target TargetOf(Kind kind) const;
  void Add(Kind kind);
  void Drain();
  void Abandon(const Pending& pending, bool reported = false);
  void PutBack(Kind kind);

  Placement& placement_;
  std::deque<Pending> waiting_;
};

}  // namespace quorvex
