#include "helper/helper_rules.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

namespace helper {
namespace {

std::string Parent(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

std::string CheckEntry(const std::string& path, const struct stat& info) {
  if (info.st_uid != 0) return path + " does not belong to root";
  const bool othersWrite = (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
  if (othersWrite && !(S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX) != 0)) {
    return path + " can be changed by others";
  }
  return {};
}

std::string Check(const std::string& path, int linksLeft) {
  if (path.empty() || path[0] != '/') return "'" + path + "' is not an absolute path";
  const std::string clean = std::filesystem::path(path).lexically_normal().string();
  // From the root down: a folder anyone else could change would let them swap what lies below.
  std::string sofar;
  size_t start = 1;
  for (;;) {
    const size_t slash = clean.find('/', start);
    const std::string part = clean.substr(0, slash);
    sofar = part.empty() ? "/" : part;
    struct stat info {};
    if (::lstat(sofar.c_str(), &info) != 0) {
      return sofar + ": " + std::strerror(errno);
    }
    if (S_ISLNK(info.st_mode)) {
      if (linksLeft == 0) return sofar + ": too many links";
      // A link itself cannot be changed, only replaced through its folder, checked above.
      char target[4096];
      const ssize_t n = ::readlink(sofar.c_str(), target, sizeof target - 1);
      if (n <= 0) return sofar + ": unreadable link";
      std::string next(target, static_cast<size_t>(n));
      if (next[0] != '/') next = Parent(sofar) + "/" + next;
      if (slash != std::string::npos) next += clean.substr(slash);
      return Check(next, linksLeft - 1);
    }
    if (std::string reason = CheckEntry(sofar, info); !reason.empty()) return reason;
    if (slash == std::string::npos) {
      if (!S_ISREG(info.st_mode)) return sofar + " is not a file";
      return {};
    }
    if (!S_ISDIR(info.st_mode)) return sofar + " is not a folder";
    start = slash + 1;
  }
}

}  // namespace

std::string EnginePathFor(const std::string& helperPath, int is64) {
  const std::filesystem::path folder = std::filesystem::path(helperPath).parent_path();
  return (folder / "../../lib/tesmira" / (is64 == 1 ? "64bit" : "32bit") / "openvpn")
      .lexically_normal()
      .string();
}

std::string UnsafePathReason(const std::string& path) {
  struct stat root {};
  if (::lstat("/", &root) != 0) return "/ cannot be examined";
  if (std::string reason = CheckEntry("/", root); !reason.empty()) return reason;
  return Check(path, 16);
}

std::string DnsHookPathFor(const std::string& helperPath) {
  return (std::filesystem::path(helperPath).parent_path() / "tesmira-dns-hook").string();
}

std::vector<std::string> EngineArgv(const std::string& enginePath, const std::string& folder,
                                    const std::string& user, const std::string& group,
                                    const std::string& dnsHook) {
  std::vector<std::string> argv{enginePath,
                                "--cd",
                                folder,
                                "--config",
                                folder + "/Tesmira.clt",
                                "--auth-user-pass",
                                folder + "/Tesmira.upw",
                                "--user",
                                user,
                                "--group",
                                group};
  if (!dnsHook.empty()) {
    // Scripts only for our own hook: nothing the server pushes can name one.
    for (const std::string& word :
         {std::string("--script-security"), std::string("2"), std::string("--route-up"), dnsHook}) {
      argv.push_back(word);
    }
  }
  return argv;
}

std::string RefusedLine(const std::string& reason) {
  return std::string(kName) + ": refused: " + reason;
}

std::string EngineEndLine(int waitStatus) {
  if (WIFSIGNALED(waitStatus)) {
    const int number = WTERMSIG(waitStatus);
    const char* name = ::sigabbrev_np(number);
    return std::string(kName) + ": the engine was ended by signal " + std::to_string(number) +
           (name != nullptr ? std::string(" (SIG") + name + ")" : std::string());
  }
  return std::string(kName) + ": the engine ended with exit status " +
         std::to_string(WEXITSTATUS(waitStatus));
}

}  // namespace helper
