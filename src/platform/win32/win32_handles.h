// Handles and windows that close themselves.
#pragma once

#include <memory>
#include <type_traits>

#include "platform/win32/win32_api.h"

namespace quorvex::win32 {

struct HandleCloser {
  void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
// Never holds INVALID_HANDLE_VALUE: see AdoptHandle.
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

inline UniqueHandle AdoptHandle(HANDLE handle) {
  return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

// A manual-reset event, not signalled.
inline UniqueHandle MakeEvent() {
  return UniqueHandle(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
}

struct WindowDestroyer {
  void operator()(HWND window) const {
    // Detached first: the window's object may be half destroyed by now.
    ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    ::DestroyWindow(window);
  }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

}  // namespace quorvex::win32
