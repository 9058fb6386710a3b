#include "platform/win32/win32_window_class.h"

#include "common/failure.h"
#include "platform/win32/win32_error.h"

namespace quorvex::win32 {
namespace {

LRESULT CALLBACK Route(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* target = reinterpret_cast<MessageTarget*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (target == nullptr) {
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  return target->OnMessage(window, message, wParam, lParam);
}

[[noreturn]] void Refused(const std::string& what) {
  throw Failure(failure::kDisplay,
                "The desktop refused " + what + ": " + SystemReason(::GetLastError()) + ".");
}

}  // namespace

WindowClass::WindowClass(HINSTANCE instance, std::string name, HBRUSH background)
    : instance_(instance), name_(std::move(name)) {
  WNDCLASSEXA description{};
  description.cbSize = sizeof(description);
  description.lpfnWndProc = Route;
  description.hInstance = instance_;
  description.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  description.hbrBackground = background;
  description.lpszClassName = name_.c_str();
  if (::RegisterClassExA(&description) == 0) {
    Refused("the window class " + name_);
  }
}

WindowClass::~WindowClass() {
  ::UnregisterClassA(name_.c_str(), instance_);
}

UniqueWindow WindowClass::Create(const Window& window, MessageTarget& target) const {
  UniqueWindow created(::CreateWindowExA(window.exStyle, name_.c_str(), window.text, window.style,
                                         CW_USEDEFAULT, CW_USEDEFAULT, window.width, window.height,
                                         window.parent, nullptr, instance_, &target));
  if (!created) {
    Refused("a window of the class " + name_);
  }
  return created;
}

}  // namespace quorvex::win32
