// Writing the settings on Windows: CREATE_NEW, so an existing file is never touched.
#include <stdexcept>

#include "align_platform.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_error.h"

namespace quorvex::align {
namespace {

[[noreturn]] void CannotWrite(const std::string& path, DWORD error) {
  throw std::runtime_error(path + " cannot be written: " + win32::SystemReason(error));
}

}  // namespace

bool WriteNewFile(const std::string& path, std::string_view text, bool replace) {
  const HANDLE file =
      ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, replace ? CREATE_ALWAYS : CREATE_NEW,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (!replace && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)) {
      return false;
    }
    CannotWrite(path, error);
  }
  DWORD written = 0;
  const bool wrote =
      ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != FALSE &&
      written == text.size();
  const DWORD error = ::GetLastError();
  ::CloseHandle(file);
  if (!wrote) {
    CannotWrite(path, error);
  }
  return true;
}

}  // namespace quorvex::align
