// Start-up: the settings read, both overlays placed, the port opened.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/program.h"

namespace quorvex {

namespace frmMain {
// Settings, frmMain placed, the port opened when AUTOCONN is 1, frmTwo loaded and shown.
void Form_Load(Program& program);
}  // namespace frmMain

namespace frmTwo {
void Form_Load(Program& program);
}  // namespace frmTwo

// The rectangle in twips, then topmost, at the opacity the overlays have now.
void PlaceWindow(const Program& program, Overlay& window, const TwipsRect& rect);

// Alignment's opacity, also while a lost line holds the overlays; else practically none.
std::uint8_t OverlayAlpha(const Program& program);

// Opens `port`, greets the controller and drops what already waited.
void OpenPort(SerialLine& MSComm1, const Port& port);

// What the line just opened on `port` will not do (SerialLine::Caveat), as a notice.
void SayLineCaveat(Program& program, const Port& port);

// What the program starts with, in one line: the settings file, both overlays in
// pixels, the port, and alignment mode when it is on.
std::string StartLine(const SettingsRecord& settings, const Toolkit& toolkit);

// Written once each time the port opens.
constexpr std::string_view kGreeting = "some data";

constexpr std::int16_t kAlignmentVersion = 101;
constexpr std::uint8_t kAlignmentAlpha = 220;
// 1, not 0: a window at opacity 0 no longer receives the mouse.
constexpr std::uint8_t kOverlayAlpha = 1;

}  // namespace quorvex
