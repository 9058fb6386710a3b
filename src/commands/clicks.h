// The controller's clicks: "10", "20", "30", and the restores that follow them.
#pragma once

#include "common/settings_record.h"
#include "platform/host.h"

namespace quorvex {

// Code "10": frmMain steps aside to the top edge (above it, if it would still cover
// the point there), the primary button clicks at (STRX, STRY), the cursor goes back,
// Timer1 will put frmMain back.
void ClickStart(const Platform& platform, const SettingsRecord& s);
// Code "20": a click at (STPX, STPY); no window moves.
void ClickStop(const Platform& platform, const SettingsRecord& s);
// Code "30": as ClickStart with frmTwo, (STRX2, STRY2) and Timer2.
void ClickStart2(const Platform& platform, const SettingsRecord& s);

// Whether an overlay of this left, width and height in pixels, moved to the top edge,
// would still cover the point: it then steps wholly above the edge for that click.
bool CoversAtTopEdge(int left, int width, int height, Point point);

void Timer1_Timer(const Platform& platform, const SettingsRecord& s);
void Timer2_Timer(const Platform& platform, const SettingsRecord& s);

}  // namespace quorvex
