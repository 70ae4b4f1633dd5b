#pragma once
// File work of the DNS backends: descriptors, the private folder, locks, atomic writes. Every
// name is opened relative to a folder descriptor and without following links.

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace dns::files {

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd();
  Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Fd& operator=(Fd&& other) noexcept;
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

std::string ErrnoText(std::string_view what);  // "<what>: <strerror(errno)>"

// Creates the folder 0700 when missing; refuses a link, a non-folder or another owner's
// folder; makes an existing one 0700.
Fd OpenPrivateDir(const std::string& path, std::string* error);

// flock(LOCK_EX) on `name` in `dir` (created 0600), trying for about `waitMs`. An empty Fd with
// `*busy` set when another process holds it.
Fd Claim(int dir, const std::string& name, int waitMs, bool* busy, std::string* error);

// The whole file, at most `limit` bytes (more is an error). `*missing` tells a name that is
// not there apart from other failures.
bool ReadAt(int dir, const std::string& name, std::size_t limit, std::string* bytes, bool* missing,
            std::string* error);
bool WriteAll(int fd, std::string_view bytes);

// Written under a temporary name, synced and renamed over `name`; the folder is synced.
bool WriteAtomically(int dir, const std::string& name, std::string_view bytes, mode_t mode,
                     std::string* error);
bool RemoveAt(int dir, const std::string& name, std::string* error);  // a missing name is fine

// "/etc/resolv.conf" -> "/etc", "resolv.conf".
void SplitPath(const std::string& path, std::string* dir, std::string* base);

// Whether `path` is a mount point according to /proc/self/mountinfo (or `mountinfo`).
bool ListedAsMountPoint(const std::string& mountinfo, const std::string& path);

}  // namespace dns::files
