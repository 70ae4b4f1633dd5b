#include "platform/private_folder.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace platform {
namespace {

bool SameFolder(const std::string& a, const char* b) {
  struct stat sa {};
  struct stat sb {};
  return b != nullptr && *b != '\0' && ::stat(a.c_str(), &sa) == 0 && ::stat(b, &sb) == 0 &&
         sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// HOME, or the password database's entry when the environment has none.
std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr && found->pw_dir != nullptr)
    return found->pw_dir;
  return {};
}

std::string Reason(const std::string& what, const std::string& path, int error) {
  return what + " " + path + ": " + std::strerror(error);
}

}  // namespace

std::string SharedFolderReason(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return Reason("cannot examine", path, errno);
  if (info.st_uid != ::geteuid()) return path + " belongs to another user";
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) return path + " can be written by others";
  return {};
}

bool WantsPrivateFolder(const char* flag, const std::string& workingDir, const char* home) {
  if (flag != nullptr && std::strcmp(flag, "1") == 0) return true;
  if (workingDir.empty()) return false;
  return SameFolder(workingDir, "/") || SameFolder(workingDir, home);
}

std::string PrivateFolderPath(const char* xdgStateHome, const char* home) {
  std::string base;
  if (xdgStateHome != nullptr && xdgStateHome[0] == '/') {
    base = xdgStateHome;
  } else if (home != nullptr && home[0] == '/') {
    base = home;
    while (!base.empty() && base.back() == '/') base.pop_back();
    base += "/.local/state";
  } else {
    // A relative base would put the folder wherever the program happens to start.
    return {};
  }
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base + "/tesmira";
}

std::string PrivateFolderPath() {
  const std::string home = HomeFolder();
  return PrivateFolderPath(std::getenv("XDG_STATE_HOME"), home.c_str());
}

int OpenPrivateFolder(const std::string& path, std::string* error) {
  if (path.empty() || path[0] != '/') {
    *error = "there is no home folder to keep the private folder in";
    return -1;
  }
  // Only missing folders are made: an existing one on the way is left as its owner wants it.
  for (size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
    const std::string part = path.substr(0, end);
    struct stat info {};
    if (!part.empty() && ::stat(part.c_str(), &info) != 0) {
      if (errno != ENOENT || (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)) {
        *error = Reason("cannot create", part, errno);
        return -1;
      }
    }
    if (end == std::string::npos) break;
  }
  // Checked and mended through the descriptor, so the folder cannot be swapped in between.
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    *error = Reason("cannot open the folder", path, errno);
    return -1;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    *error = Reason("cannot examine", path, errno);
    ::close(fd);
    return -1;
  }
  if (info.st_uid != ::geteuid()) {
    *error = path + " belongs to another user (uid " + std::to_string(info.st_uid) + ")";
    ::close(fd);
    return -1;
  }
  if ((info.st_mode & 07777) != 0700 && ::fchmod(fd, 0700) != 0) {
    *error = Reason("cannot make private", path, errno);
    ::close(fd);
    return -1;
  }
  return fd;
}

bool EnterPrivateFolderIfWanted(std::string* error) {
  std::error_code unknown;
  const std::filesystem::path workingDir = std::filesystem::current_path(unknown);
  const std::string home = HomeFolder();
  // A working directory that is gone or unreadable is no place for the files either.
  const std::string path = PrivateFolderPath(std::getenv("XDG_STATE_HOME"), home.c_str());
  if (!unknown &&
      !WantsPrivateFolder(std::getenv(kPrivateFolderVariable), workingDir.string(), home.c_str())) {
    // Another user could plant or swap the profile files there.
    const std::string shared = SharedFolderReason(workingDir.string());
    if (shared.empty()) return true;
    std::fprintf(stderr, "tesmira: %s: keeping the files in %s instead\n", shared.c_str(),
                 path.c_str());
  }
  const int fd = OpenPrivateFolder(path, error);
  if (fd < 0) return false;
  const bool entered = ::fchdir(fd) == 0;
  if (!entered) *error = Reason("cannot enter", path, errno);
  ::close(fd);
  return entered;
}

}  // namespace platform
