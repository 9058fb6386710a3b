#include "platform/win32/win32_error.h"

#include <algorithm>
#include <array>

namespace quorvex::win32 {

// In UTF-16 and then UTF-8, the program's text everywhere: the ANSI code page's
// accented or non-Latin letters would not survive being read as UTF-8.
std::string SystemReason(DWORD error) {
  std::array<wchar_t, 512> wide{};
  const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                        wide.data(), static_cast<DWORD>(wide.size()), nullptr);
  std::string reason;
  if (length > 0) {
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(length),
                                            nullptr, 0, nullptr, nullptr);
    reason.resize(static_cast<std::size_t>(std::max(bytes, 0)));
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(length), reason.data(), bytes,
                          nullptr, nullptr);
  }
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
