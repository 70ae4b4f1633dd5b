#include "platform/new_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

int WriteNewFile(int folderFd, const std::string& name, std::string_view bytes, unsigned mode) {
  ::unlinkat(folderFd, name.c_str(), 0);
  const int fd =
      ::openat(folderFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
  if (fd < 0) return errno;
  int error = 0;
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : EIO;
      break;
    }
    written += static_cast<size_t>(n);
  }
  if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno;
  if (error != 0) ::unlinkat(folderFd, name.c_str(), 0);
  return error;
}

int WriteNewFile(const std::string& name, std::string_view bytes, unsigned mode) {
  return WriteNewFile(AT_FDCWD, name, bytes, mode);
}

std::FILE* OpenNewFile(const std::string& name) {
  ::unlink(name.c_str());
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "wb");
  if (file == nullptr) ::close(fd);
  return file;
}

}  // namespace platform
