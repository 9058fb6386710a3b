// Writing the settings on POSIX systems: O_EXCL, so an existing file is never touched.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "align_platform.h"

namespace quorvex::align {

bool WriteNewFile(const std::string& path, std::string_view text, bool replace) {
  const int fd =
      open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (replace ? O_TRUNC : O_EXCL), 0644);
  if (fd < 0) {
    if (errno == EEXIST && !replace) {
      return false;
    }
    throw std::runtime_error(path + " cannot be written: " + std::strerror(errno));
  }
  const char* next = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const ssize_t written = write(fd, next, left);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      const int reason = errno;
      close(fd);
      throw std::runtime_error(path + " cannot be written: " + std::strerror(reason));
    }
    next += written;
    left -= static_cast<std::size_t>(written);
  }
  if (close(fd) != 0) {
    throw std::runtime_error(path + " cannot be written: " + std::strerror(errno));
  }
  return true;
}

}  // namespace quorvex::align
