#include "dns/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace dns::files {

Fd::~Fd() {
  if (fd_ >= 0) ::close(fd_);
}

Fd& Fd::operator=(Fd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

std::string ErrnoText(std::string_view what) {
  return std::string(what) + ": " + std::strerror(errno);
}

Fd OpenPrivateDir(const std::string& path, std::string* error) {
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    *error = ErrnoText("cannot create " + path);
    return {};
  }
  Fd dir(open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!dir) {
    *error = (errno == ELOOP || errno == ENOTDIR)
                 ? path + " is a symbolic link or not a folder; it is left alone"
                 : ErrnoText("cannot open " + path);
    return {};
  }
  struct stat info {};
  if (fstat(dir.get(), &info) != 0) {
    *error = ErrnoText(path);
    return {};
  }
  if (info.st_uid != geteuid()) {
    *error = path + " belongs to user " + std::to_string(info.st_uid) + "; it is left alone";
    return {};
  }
  if ((info.st_mode & 07777) != 0700 && fchmod(dir.get(), 0700) != 0) {
    *error = ErrnoText("cannot make " + path + " private");
    return {};
  }
  return dir;
}

Fd Claim(int dir, const std::string& name, int waitMs, bool* busy, std::string* error) {
  *busy = false;
  Fd lock(openat(dir, name.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!lock) {
    *error = ErrnoText("cannot open the lock " + name);
    return {};
  }
  for (int waited = 0;; waited += 20) {
    if (flock(lock.get(), LOCK_EX | LOCK_NB) == 0) return lock;
    if (errno != EWOULDBLOCK && errno != EINTR) {
      *error = ErrnoText("cannot lock " + name);
      return {};
    }
    if (waited >= waitMs) break;
    usleep(20 * 1000);
  }
  *busy = true;
  *error = name + " is held by another running connection";
  return {};
}

bool ReadAt(int dir, const std::string& name, std::size_t limit, std::string* bytes, bool* missing,
            std::string* error) {
  *missing = false;
  bytes->clear();
  Fd file(openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!file) {
    *missing = errno == ENOENT;
    *error = ErrnoText("cannot read " + name);
    return false;
  }
  struct stat info {};
  if (fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    *error = name + " is not a regular file";
    return false;
  }
  char buffer[8192];
  while (true) {
    const ssize_t got = read(file.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      *error = ErrnoText("cannot read " + name);
      return false;
    }
    if (got == 0) return true;
    if (bytes->size() + static_cast<std::size_t>(got) > limit) {
      *error = name + " is larger than " + std::to_string(limit) + " bytes";
      return false;
    }
    bytes->append(buffer, static_cast<std::size_t>(got));
  }
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

bool WriteAtomically(int dir, const std::string& name, std::string_view bytes, mode_t mode,
                     std::string* error) {
  const std::string temporary = "." + name + ".tesmira-new";
  if (unlinkat(dir, temporary.c_str(), 0) != 0 && errno != ENOENT) {
    *error = ErrnoText("cannot remove " + temporary);
    return false;
  }
  Fd file(
      openat(dir, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
  if (!file) {
    *error = ErrnoText("cannot create " + temporary);
    return false;
  }
  if (fchmod(file.get(), mode) != 0 || !WriteAll(file.get(), bytes) || fsync(file.get()) != 0 ||
      renameat(dir, temporary.c_str(), dir, name.c_str()) != 0) {
    *error = ErrnoText("cannot write " + name);
    unlinkat(dir, temporary.c_str(), 0);
    return false;
  }
  fsync(dir);
  return true;
}

bool RemoveAt(int dir, const std::string& name, std::string* error) {
  if (unlinkat(dir, name.c_str(), 0) != 0 && errno != ENOENT) {
    *error = ErrnoText("cannot remove " + name);
    return false;
  }
  fsync(dir);
  return true;
}

void SplitPath(const std::string& path, std::string* dir, std::string* base) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    dir->assign(1, '.');
    *base = path;
  } else {
    *dir = slash == 0 ? "/" : path.substr(0, slash);
    *base = path.substr(slash + 1);
  }
}

namespace {

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

// mountinfo writes blanks, tabs, newlines and backslashes in paths as \ooo.
std::string Unescape(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) &&
        IsOctal(field[i + 2]) && IsOctal(field[i + 3])) {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                               (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

}  // namespace

bool ListedAsMountPoint(const std::string& mountinfo, const std::string& path) {
  std::ifstream in(mountinfo);
  std::string line;
  while (std::getline(in, line)) {
    // id parent major:minor root mount-point ...
    std::istringstream fields(line);
    std::string skip, mountPoint;
    if (fields >> skip >> skip >> skip >> skip >> mountPoint && Unescape(mountPoint) == path)
      return true;
  }
  return false;
}

}  // namespace dns::files
