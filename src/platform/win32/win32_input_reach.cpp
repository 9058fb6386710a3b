#include "platform/win32/win32_input_reach.h"

#include <array>
#include <memory>
#include <vector>

#include "platform/win32/win32_handles.h"

namespace quorvex::win32 {
namespace {

struct DesktopCloser {
  void operator()(HDESK desktop) const { ::CloseDesktop(desktop); }
};

std::wstring NameOf(HANDLE object) {
  std::array<wchar_t, 256> name{};
  DWORD size = 0;
  if (!::GetUserObjectInformationW(object, UOI_NAME, name.data(),
                                   static_cast<DWORD>(name.size() * sizeof(wchar_t)), &size)) {
    return {};
  }
  return name.data();
}

}  // namespace

std::optional<DWORD> IntegrityLevel(DWORD process) {
  const UniqueHandle handle(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
  HANDLE token = nullptr;
  if (!handle || !::OpenProcessToken(handle.get(), TOKEN_QUERY, &token)) {
    return std::nullopt;
  }
  const UniqueHandle owned(token);
  DWORD size = 0;
  ::GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size);
  if (size == 0 || !::GetTokenInformation(token, TokenIntegrityLevel, buffer.data(), size, &size)) {
    return std::nullopt;
  }
  const auto* label = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data());
  const UCHAR count = *::GetSidSubAuthorityCount(label->Label.Sid);
  if (count == 0) {
    return std::nullopt;
  }
  return *::GetSidSubAuthority(label->Label.Sid, count - 1U);
}

bool RunsHigher(DWORD process) {
  static const std::optional<DWORD> ours = IntegrityLevel(::GetCurrentProcessId());
  const std::optional<DWORD> theirs = IntegrityLevel(process);
  if (!theirs) {
    return ::GetLastError() == ERROR_ACCESS_DENIED;
  }
  return ours && *theirs > *ours;
}

// The secure desktop cannot even be opened from a user's program.
bool InputDesktopIsOurs() {
  const std::unique_ptr<std::remove_pointer_t<HDESK>, DesktopCloser> input(
      ::OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS));
  if (!input) {
    return false;
  }
  const std::wstring name = NameOf(input.get());
  return !name.empty() && name == NameOf(::GetThreadDesktop(::GetCurrentThreadId()));
}

}  // namespace quorvex::win32
