#include "platform/posix/posix_append_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/posix_fd.h"

namespace quorvex::posix {
namespace {

class PosixAppendFile final : public AppendFile {
 public:
  explicit PosixAppendFile(UniqueFd fd) : fd_(std::move(fd)) {}

  bool Append(std::string_view bytes) override {
    while (!bytes.empty()) {
      const ssize_t count = ::write(fd_.get(), bytes.data(), bytes.size());
      if (count > 0) {
        bytes.remove_prefix(static_cast<std::size_t>(count));
      } else if (count < 0 && errno != EINTR) {
        return false;
      }
    }
    return true;
  }

  std::uint64_t Size() const override {
    struct stat info {};
    return ::fstat(fd_.get(), &info) == 0 && S_ISREG(info.st_mode)
               ? static_cast<std::uint64_t>(info.st_size)
               : 0;
  }

 private:
  UniqueFd fd_;
};

}  // namespace

// A pipe nobody reads yet refuses a non-blocking writer (ENXIO), and a blocking open
// would wait for a reader: opened for reading too, it opens at once. Writes block,
// on the log's own thread.
std::unique_ptr<AppendFile> OpenForAppend(const std::string& path) {
  constexpr int kFlags = O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  UniqueFd fd(::open(path.c_str(), O_WRONLY | kFlags, 0644));
  if (!fd && errno == ENXIO) {
    fd.reset(::open(path.c_str(), O_RDWR | kFlags, 0644));
  }
  if (!fd) {
    throw LogFileFailure(path, std::strerror(errno));
  }
  ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  return std::make_unique<PosixAppendFile>(std::move(fd));
}

}  // namespace quorvex::posix
