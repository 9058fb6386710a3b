// The controller's clicks: "10", "20", "30", the wait of a click that cannot be made
// at once, and the wait for its release to be taken before anything goes back.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "commands/placement.h"

namespace quorvex {

// Whether an overlay of this left, width and height in pixels, moved to the top edge,
// would still cover the point: it then steps wholly above the edge for that click.
bool CoversAtTopEdge(int left, int width, int height, Point point);

// Every approved click is made once, in the order approved, or reported lost. A click
// the pointer cannot make now (a button held, the pointer held by another window or
// program, another window over the application's) is tried again on Timer3 for up to
// kPatience from its first try; the clicks of later codes wait behind it, each with its
// own kPatience from its turn, so that a quick run of codes is not lost to the time the
// clicks ahead of it take. Nothing else waits: other codes, the restores and the
// operator's own clicks keep their turn. Each try clicks where the application's
// window is at that moment (WINDOW).
//
// A click made is whole only once the system has taken its release at the point: the
// cursor goes back then, and the overlay aside for it no sooner, on its restore tick
// (Timer1, Timer2). A release not taken within kPatience of the press (looked for on
// Timer3) is reported, and everything goes back all the same.
class Clicks {
 public:
  static constexpr std::chrono::milliseconds kPatience{1000};

  // Told once for each click code that was acted on, when it is over: made (its
  // release taken) or not. Never for the clicks a failure drops.
  using Outcome = std::function<void(std::string_view code, bool made)>;

  Clicks(Placement& placement, Outcome outcome)
      : placement_(placement), outcome_(std::move(outcome)) {}

  // Code "10": frmMain steps aside to the top edge (above it, if it would still cover
  // the point there), the primary button clicks at (STRX, STRY); once the click is
  // whole the cursor goes back, and Timer1 puts frmMain back. An overlay stays aside
  // while its click waits.
  void Start() { Add(Kind::kStart); }
  // Code "20": a click at (STPX, STPY); no window moves.
  void Stop() { Add(Kind::kStop); }
  // Code "30": as Start with frmTwo, (STRX2, STRY2) and Timer2.
  void Start2() { Add(Kind::kStart2); }

  void Timer1_Timer() { PutBack(Kind::kStart); }
  void Timer2_Timer() { PutBack(Kind::kStart2); }
  // The click ahead is looked at again: landed, or tried again; those past their
  // time are dropped and reported.
  void Timer3_Timer() { Drain(); }
  // Nothing more is pressed (a failure is ending the program): every waiting click
  // is reported lost, and the cursor and its overlay go back.
  void AbandonAll();

 private:
  enum class Kind { kStart, kStop, kStart2 };
  struct Pending {
    Kind kind;
    // From the first refusal; once pressed, from the press.
    std::optional<std::chrono::steady_clock::time_point> deadline;
    bool aside = false;
    bool pressed = false;
    Point at = {};  // where it was last tried; its settings' point before
    Press refusal;  // the last try's, while not pressed
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
  // The click ahead is over, made or not (`why`: what kept it from being made).
  void Done(const std::string& why = {}, bool told = true);
  void PutBack(Kind kind);

  Placement& placement_;
  Outcome outcome_;
  std::deque<Pending> waiting_;
};

}  // namespace quorvex
