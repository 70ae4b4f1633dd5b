#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

RegularFileReader::RegularFileReader(const std::string& name) {
  fd_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  struct stat info {};
  if (fd_ >= 0 && (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode))) {
    ::close(fd_);
    fd_ = -1;
  }
  if (fd_ >= 0) size_ = static_cast<std::uint64_t>(info.st_size);
}

RegularFileReader::~RegularFileReader() {
  if (fd_ >= 0) ::close(fd_);
}

bool RegularFileReader::ReadAt(std::uint64_t offset, void* buffer, size_t length) const {
  auto* bytes = static_cast<char*>(buffer);
  size_t done = 0;
  while (done < length) {
    const ssize_t n = ::pread(fd_, bytes + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool IsOwnRegularFile(const std::string& name) {
  struct stat info {};
  return ::lstat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid();
}

}  // namespace platform
