// The controller's clicks: "10", "20", "30", and the restores that follow them.
#pragma once

#include "commands/placement.h"

namespace quorvex {

// Code "10": frmMain steps aside to the top edge (above it, if it would still cover
// the point there), the primary button clicks at (STRX, STRY), the cursor goes back,
// Timer1 will put frmMain back. With WINDOW the point counts from the window, and
// while it is absent nothing is pressed.
void ClickStart(Placement& placement);
// Code "20": a click at (STPX, STPY); no window moves.
void ClickStop(Placement& placement);
// Code "30": as ClickStart with frmTwo, (STRX2, STRY2) and Timer2.
void ClickStart2(Placement& placement);

// Whether an overlay of this left, width and height in pixels, moved to the top edge,
// would still cover the point: it then steps wholly above the edge for that click.
bool CoversAtTopEdge(int left, int width, int height, Point point);

void Timer1_Timer(const Placement& placement);
void Timer2_Timer(const Placement& placement);

}  // namespace quorvex
