// Whether the program runs under Wine, where some of Windows' input and window events
// behave otherwise: the few places that must know ask here.
#pragma once

#include "platform/win32/win32_api.h"

namespace quorvex::win32 {

// Wine's ntdll exports wine_get_version; Windows' never does.
inline bool UnderWine() {
  static const bool wine = [] {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

}  // namespace quorvex::win32
