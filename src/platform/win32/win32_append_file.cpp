#include "platform/win32/win32_append_file.h"

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_text.h"

namespace quorvex::win32 {
namespace {

class Win32AppendFile final : public AppendFile {
 public:
  explicit Win32AppendFile(UniqueHandle handle) : handle_(std::move(handle)) {}

  bool Append(std::string_view bytes) override {
    while (!bytes.empty()) {
      DWORD written = 0;
      if (!::WriteFile(handle_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr) ||
          written == 0) {
        return false;
      }
      bytes.remove_prefix(written);
    }
    return true;
  }

  std::uint64_t Size() const override {
    LARGE_INTEGER size{};
    return ::GetFileSizeEx(handle_.get(), &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
  }

 private:
  UniqueHandle handle_;
};

}  // namespace

// Others may read it, and rename it, while it is written; its size is read for the
// rotation (GetFileSizeEx wants FILE_READ_ATTRIBUTES).
std::unique_ptr<AppendFile> OpenForAppend(const std::string& path) {
  UniqueHandle handle = AdoptHandle(
      ::CreateFileW(Widen(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle) {
    throw LogFileFailure(path, SystemReason(::GetLastError()));
  }
  return std::make_unique<Win32AppendFile>(std::move(handle));
}

bool MoveReplacing(const std::string& from, const std::string& to) {
  return ::MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace quorvex::win32
