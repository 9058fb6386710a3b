#pragma once

#include <string>

#include "platform/win32/win32_handles.h"

namespace quorvex::win32 {

// What a window of this program does with its messages.
class MessageTarget {
 public:
  virtual LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;

 protected:
  ~MessageTarget() = default;
};

// A registered window class whose windows pass their messages to a MessageTarget.
class WindowClass {
 public:
  WindowClass(HINSTANCE instance, std::string name, HBRUSH background);
  ~WindowClass();
  WindowClass(const WindowClass&) = delete;
  WindowClass& operator=(const WindowClass&) = delete;

  struct Window {
    DWORD exStyle = 0;
    DWORD style = 0;
    HWND parent = nullptr;
    int width = 0;
    int height = 0;
    const char* text = "";
  };
  // Throws Failure when the system refuses the window.
  UniqueWindow Create(const Window& window, MessageTarget& target) const;

 private:
  HINSTANCE instance_;
  std::string name_;
};

}  // namespace quorvex::win32
