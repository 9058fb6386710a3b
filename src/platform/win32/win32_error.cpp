#include "platform/win32/win32_error.h"

#include <array>

namespace quorvex::win32 {

std::string SystemReason(DWORD error) {
  std::array<char, 512> text{};
  const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                        text.data(), text.size(), nullptr);
  std::string reason(text.data(), length);
  while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n' ||
                             reason.back() == ' ' || reason.back() == '.')) {
    reason.pop_back();
  }
  if (reason.empty()) {
    reason = "system error";
  }
  return reason + " (error " + std::to_string(error) + ")";
}

}  // namespace quorvex::win32
