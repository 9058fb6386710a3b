#include "platform/win32/win32_line_messages.h"

#include <algorithm>
#include <cstring>

namespace quorvex::win32 {
namespace {

constexpr WPARAM kCountMask = 0xFF;
constexpr WPARAM kLastPiece = 0x100;

}  // namespace

PackedBytes PackBytes(std::string_view piece, bool last) {
  const std::size_t count = std::min(piece.size(), kBytesPerMessage);
  LPARAM bytes = 0;
  std::memcpy(&bytes, piece.data(), count);
  return {.wParam = count | (last ? kLastPiece : 0), .lParam = bytes};
}

bool UnpackBytes(WPARAM wParam, LPARAM lParam, std::string& into) {
  const std::size_t count = std::min<std::size_t>(wParam & kCountMask, kBytesPerMessage);
  char bytes[kBytesPerMessage];
  std::memcpy(bytes, &lParam, sizeof(bytes));
  into.append(bytes, count);
  return (wParam & kLastPiece) != 0;
}

}  // namespace quorvex::win32
