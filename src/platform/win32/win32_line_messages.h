#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/win32/win32_api.h"

namespace quorvex::win32 {

// What the serial reader thread posts to the message window, and what the window
// thread posts itself once a write has gone out.
namespace line_message {
constexpr UINT kBytes = WM_APP + 1;   // received bytes, packed by PackBytes
constexpr UINT kEvents = WM_APP + 2;  // wParam: EV_ bits, lParam: CE_ flags
constexpr UINT kLost = WM_APP + 3;    // the line is gone
constexpr UINT kSent = WM_APP + 4;    // a write has left the transmit buffer
constexpr UINT kFirst = kBytes;
constexpr UINT kLast = kSent;
}  // namespace line_message

// Received bytes travel inside the messages themselves, so the reader thread and
// the window thread share no memory: up to eight bytes in lParam, their count in
// wParam, and a mark on the last piece of one read.
constexpr std::size_t kBytesPerMessage = sizeof(LPARAM);

struct PackedBytes {
  WPARAM wParam;
  LPARAM lParam;
};
PackedBytes PackBytes(std::string_view piece, bool last);
// Appends the bytes; true when they end a read.
bool UnpackBytes(WPARAM wParam, LPARAM lParam, std::string& into);

}  // namespace quorvex::win32
