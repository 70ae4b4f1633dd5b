#include "platform/system.h"

#include <dlfcn.h>
#include <link.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

extern char** environ;

namespace platform {

std::string ModuleFileName() {
  std::vector<char> buffer(4096);
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return {};
  return std::string(buffer.data(), static_cast<size_t>(n));
}

std::optional<std::string> LoadedModuleFileName(void* module) {
  link_map* map = nullptr;
  if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) return std::nullopt;
  return std::string(map->l_name != nullptr ? map->l_name : "");
}

std::string ProgramFolder() {
  const std::string path = ModuleFileName();
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ProgramTitle() {
  std::string name = ModuleFileName();
  const size_t slash = name.rfind('/');
  if (slash != std::string::npos) name.erase(0, slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

int IsWow64Process() {
  utsname info{};
  if (uname(&info) != 0) return 0;
  const std::string machine = info.machine;
  for (const char* wide : {"x86_64", "aarch64", "ppc64", "ppc64le", "s390x", "riscv64", "mips64"}) {
    if (machine == wide) return 1;
  }
  return 0;
}

void DeleteFile(const std::string& name) { ::unlink(name.c_str()); }

void Sleep(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void ShellOpen(const std::string& file, const std::string& parameters) {
  // A double fork keeps the script out of our process table: nobody waits for it.
  const std::string command = parameters.empty() ? file : file + " " + parameters;
  const pid_t child = fork();
  if (child < 0) return;
  if (child == 0) {
    setsid();
    if (fork() == 0) {
      const char* argv[] = {"/bin/sh", command.c_str(), nullptr};
      execve("/bin/sh", const_cast<char* const*>(argv), environ);
      _exit(127);
    }
    _exit(0);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

std::string SystemErrorText(int error) { return std::strerror(error); }

bool RunsAsRoot() { return ::geteuid() == 0; }

std::string LoginName() {
  const long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
      found->pw_name == nullptr) {
    return {};
  }
  return found->pw_name;
}

std::string CurrentFolder() {
  std::string folder(4096, '\0');
  for (;;) {
    if (::getcwd(folder.data(), folder.size()) != nullptr) break;
    if (errno != ERANGE) return "./";
    folder.resize(folder.size() * 2);
  }
  folder.resize(folder.find('\0'));
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string FindInPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  for (;;) {
    const size_t end = folders.find(':', start);
    std::string candidate = folders.substr(start, end - start);
    // An empty entry is the current folder. Appended, not assigned: GCC 12 at -O2 warns of an
    // overlap (-Wrestrict) that cannot happen when "." is assigned here.
    if (candidate.empty()) candidate.push_back('.');
    candidate += '/';
    candidate += name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    if (end == std::string::npos) return {};
    start = end + 1;
  }
}

}  // namespace platform
