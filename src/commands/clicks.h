#pragma once

#include "app/program.h"

namespace quorvex {

// Code "10": frmMain steps aside to the top edge (above it, if it would still cover
// the point there), the left button clicks at (STRX, STRY), the cursor goes back,
// Timer1 will put frmMain back.
void ClickStart(Program& program);
// Code "20": a click at (STPX, STPY); no window moves.
void ClickStop(Program& program);
// Code "30": as ClickStart with frmTwo, (STRX2, STRY2) and Timer2.
void ClickStart2(Program& program);

// Whether an overlay of this left, width and height in pixels, moved to the top edge,
// would still cover the point: it then steps wholly above the edge for that click.
bool CoversAtTopEdge(int left, int width, int height, Point point);

void Timer1_Timer(Program& program);
void Timer2_Timer(Program& program);

}  // namespace quorvex
