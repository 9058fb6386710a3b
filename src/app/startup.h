#pragma once

#include <cstdint>

#include "app/program.h"

namespace quorvex {

namespace frmMain {
// Settings, frmMain placed, the port opened when AUTOCONN is 1, frmTwo loaded and shown.
void Form_Load(Program& program);
}  // namespace frmMain

namespace frmTwo {
void Form_Load(Program& program);
}  // namespace frmTwo

// Left, Top, Width, Height in twips, in that order; then topmost and see-through.
void PlaceWindow(Program& program, OverlayWindow& window, std::int16_t left, std::int16_t top,
                 std::int16_t width, std::int16_t height);

void SetTransparency(User32& user32, std::uint32_t hWnd, std::int16_t alpha);

void OpenPort(Program& program);

constexpr std::int16_t kAlignmentVersion = 101;
constexpr std::int16_t kAlignmentAlpha = 220;
// 1, not 0: a window at opacity 0 no longer receives the mouse.
constexpr std::int16_t kOverlayAlpha = 1;

}  // namespace quorvex
