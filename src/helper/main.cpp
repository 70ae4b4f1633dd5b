// tesmira-engine-helper: the only part of Tesmira that runs as root. It gives its caller one
// tunnel to a server that the program's CA vouches for, and nothing else: it takes no options,
// trusts no environment, reads one strictly checked request on standard input, writes the
// engine's files itself in a folder of root's, starts the engine with an argument vector of its
// own (dropping to an unprivileged account once the tunnel is up), forwards the engine's output
// unchanged and ends the engine on "stop", at the end of its input or on SIGTERM.

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <dirent.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "ca_pem.h"
#include "dns/command_runner.h"
#include "dns/dns_system.h"
#include "dns/pushed_dns.h"
#include "helper/helper_rules.h"
#include "platform/new_file.h"
#include "platform/system.h"
#include "tunnel/engine_request.h"
#include "tunnel/profile_text.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long the engine has to end on SIGTERM before it is killed.
constexpr auto kEngineGrace = std::chrono::milliseconds(2000);
// A request that has not arrived whole by then is refused.
constexpr auto kRequestTime = std::chrono::milliseconds(1000);

void Say(const std::string& line) {
  const std::string text = line + "\n";
  [[maybe_unused]] const ssize_t n = ::write(STDOUT_FILENO, text.data(), text.size());
}

[[noreturn]] void Refuse(const std::string& reason) {
  Say(helper::RefusedLine(reason));
  std::_Exit(2);
}

[[noreturn]] void Fail(const std::string& reason) {
  Say(std::string(helper::kName) + ": failed: " + reason);
  std::_Exit(1);
}

// Nothing of the caller's process reaches the engine: no descriptor, no variable, no mask.
void ClearInheritance() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) < 0) {
      const int opened = ::open("/dev/null", O_RDWR);
      if (opened != fd) std::_Exit(2);
    }
  }
  ::close_range(3, ~0U, 0);
  ::clearenv();
  ::setenv("PATH", "/usr/sbin:/usr/bin:/sbin:/bin", 1);
  ::umask(077);
  ::signal(SIGPIPE, SIG_IGN);
}

// Reads the request byte by byte, so that nothing after its fourth line ("stop") is taken.
std::string ReadRequest() {
  std::string text;
  int lines = 0;
  const Clock::time_point deadline = Clock::now() + kRequestTime;
  while (lines < 4 && text.size() <= tunnel::kMaxRequestBytes) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd in{STDIN_FILENO, POLLIN, 0};
    if (left <= 0 || ::poll(&in, 1, static_cast<int>(left)) == 0) {
      Refuse("the request did not arrive within a second");
    }
    char c = 0;
    const ssize_t n = ::read(STDIN_FILENO, &c, 1);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) break;
    text += c;
    if (c == '\n') ++lines;
  }
  // Whatever came with the request is part of it, unless it is the caller's "stop" already:
  // a fifth line is refused, not left for the command reader to pass over.
  pollfd more{STDIN_FILENO, POLLIN, 0};
  if (lines == 4 && ::poll(&more, 1, 0) == 1) {
    char extra[8] = {};
    const ssize_t n = ::read(STDIN_FILENO, extra, sizeof extra);
    if (n > 0 && std::string_view("stop\n").substr(0, static_cast<size_t>(n)) !=
                     std::string_view(extra, static_cast<size_t>(n))) {
      Refuse("the request has more than four lines");
    }
    if (n > 0) Refuse("stopped before the engine started");
  }
  return text;
}

// /run/tesmira made or checked (root's, 0700, no link), then a fresh folder of this attempt's.
std::string MakeAttemptFolder() {
  if (::mkdir(helper::kRunFolder, 0700) != 0 && errno != EEXIST) {
    Fail(std::string("cannot create ") + helper::kRunFolder + ": " + std::strerror(errno));
  }
  struct stat info {};
  if (::lstat(helper::kRunFolder, &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != 0) {
    Fail(std::string(helper::kRunFolder) + " is not a folder of root's");
  }
  if ((info.st_mode & 07777) != 0700 && ::chmod(helper::kRunFolder, 0700) != 0) {
    Fail(std::string("cannot make ") + helper::kRunFolder + " private");
  }
  std::string folder =
      std::string(helper::kRunFolder) + "/attempt-" + std::to_string(::getpid()) + "-XXXXXX";
  if (::mkdtemp(folder.data()) == nullptr) {
    Fail("cannot create a folder in " + std::string(helper::kRunFolder) + ": " +
         std::strerror(errno));
  }
  return folder;
}

constexpr const char* kFiles[] = {"Tesmira.clt", "Tesmira.tmp", "Tesmira.upw"};

void RemoveFolder(const std::string& folder) {
  for (const char* name : kFiles) ::unlink((folder + "/" + name).c_str());
  ::rmdir(folder.c_str());
}

// Folders of helpers that were killed before they could remove them (only root can kill one).
void RemoveLeftoverFolders() {
  DIR* run = ::opendir(helper::kRunFolder);
  if (run == nullptr) return;
  while (const dirent* entry = ::readdir(run)) {
    int pid = 0;
    if (std::sscanf(entry->d_name, "attempt-%d-", &pid) != 1 || pid <= 0) continue;
    if (::kill(pid, 0) == 0 || errno != ESRCH) continue;
    RemoveFolder(std::string(helper::kRunFolder) + "/" + entry->d_name);
  }
  ::closedir(run);
}

void WriteFiles(const std::string& folder, const tunnel::EngineRequest& request) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) Fail("cannot open " + folder);
  const std::string contents[] = {tunnel::ClientProfileText(request.host, request.port),
                                  std::string(TesmiraCaPem()),
                                  tunnel::CredentialsText(request.user, request.password)};
  for (int i = 0; i < 3; ++i) {
    if (const int error = platform::WriteNewFile(fd, kFiles[i], contents[i], 0600); error != 0) {
      ::close(fd);
      RemoveFolder(folder);
      Fail(std::string("cannot write ") + kFiles[i] + ": " + std::strerror(error));
    }
  }
  ::close(fd);
}

// The account the engine drops to: the build's, with the user's own group where the build's
// group does not exist (not every system has "nogroup").
void EngineAccount(std::string* user, std::string* groupName) {
  const passwd* account = ::getpwnam(TESMIRA_ENGINE_USER);
  if (account == nullptr || account->pw_uid == 0) {
    Fail(std::string("there is no unprivileged account '") + TESMIRA_ENGINE_USER +
         "' for the engine");
  }
  *user = account->pw_name;
  const gid_t primary = account->pw_gid;
  if (const struct group* named = ::getgrnam(TESMIRA_ENGINE_GROUP)) {
    *groupName = named->gr_name;
  } else if (const struct group* own = ::getgrgid(primary)) {
    *groupName = own->gr_name;
  } else {
    Fail(std::string("there is no group '") + TESMIRA_ENGINE_GROUP + "' for the engine");
  }
}

// The engine's descriptor 3 is the DNS hook's channel to the helper.
constexpr int kDnsChannel = 3;

pid_t StartEngine(const std::vector<std::string>& arguments, int outputFd, int dnsFd) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  char path[] = "PATH=/usr/sbin:/usr/bin:/sbin:/bin";
  char* environment[] = {path, nullptr};

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, outputFd, STDERR_FILENO);
  if (dnsFd >= 0) posix_spawn_file_actions_adddup2(&actions, dnsFd, kDnsChannel);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  sigset_t all;
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  const int error =
      ::posix_spawn(&pid, arguments[0].c_str(), &actions, &attributes, argv.data(), environment);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) return -error;
  return pid;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Watches the engine until it has ended: forwards its output, takes "stop" from the caller, and
// ends it when asked, when the caller is gone, or on a termination signal. Returns its status.
// The VPN's DNS, applied when the hook hands it over and put back when the engine has ended.
struct DnsState {
  dns::PosixCommandRunner runner;
  dns::DnsSystem system = dns::DnsSystem::Installed(&runner);
  int channel = -1;
  std::string received;
  std::unique_ptr<dns::AppliedDns> applied;

  void Read() {
    char buffer[4096];
    const ssize_t n = ::read(channel, buffer, sizeof buffer);
    if (n <= 0 || received.size() > 65536) {
      ::close(channel);
      channel = -1;
      return;
    }
    received.append(buffer, static_cast<size_t>(n));
    if (!received.ends_with("end\n")) return;
    std::string error;
    dns::PushedDns pushed;
    if (applied) {
      error = "the engine reported its DNS settings twice";
    } else if (dns::DecodePushedDns(std::string_view(received).substr(0, received.size() - 4),
                                    &pushed, &error)) {
      applied = dns::ApplyDns(pushed, system, &error);
    }
    received.clear();
    if (!applied && !error.empty()) Say(tunnel::kDnsFailedPrefix + error);
    // The engine goes on once the hook has this answer.
    [[maybe_unused]] const ssize_t sent = ::send(channel, "done\n", 5, MSG_NOSIGNAL);
  }

  void PutBack() {
    std::string error;
    if (applied && !applied->Revert(&error)) {
      Say(std::string(helper::kName) + ": the system's DNS could not be put back: " + error);
    }
    applied.reset();
  }
};

int Supervise(pid_t engine, int output, int signals, DnsState& dnsState) {
  std::string commands;
  bool stopping = false;
  bool killed = false;
  Clock::time_point killAt{};
  bool inputOpen = true;
  auto stop = [&] {
    if (stopping) return;
    stopping = true;
    ::kill(engine, SIGTERM);
    killAt = Clock::now() + kEngineGrace;
  };
  for (;;) {
    int waitStatus = 0;
    if (::waitpid(engine, &waitStatus, WNOHANG) == engine) {
      // What the engine said last still reaches the caller, if it is there to read it.
      for (;;) {
        pollfd more{output, POLLIN, 0};
        if (::poll(&more, 1, 200) <= 0) break;
        char buffer[65536];
        const ssize_t n = ::read(output, buffer, sizeof buffer);
        if (n <= 0 || !WriteAll(STDOUT_FILENO, buffer, static_cast<size_t>(n))) break;
      }
      return waitStatus;
    }
    int timeout = -1;
    if (stopping && !killed) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(killAt - Clock::now()).count();
      if (left <= 0) {
        ::kill(engine, SIGKILL);
        killed = true;
      } else {
        timeout = static_cast<int>(left) + 1;
      }
    }
    pollfd watched[4] = {{signals, POLLIN, 0},
                         {output, POLLIN, 0},
                         {inputOpen ? STDIN_FILENO : -1, POLLIN, 0},
                         {dnsState.channel, POLLIN, 0}};
    if (::poll(watched, 4, timeout) < 0 && errno != EINTR) stop();
    if (watched[3].revents != 0) dnsState.Read();
    if (watched[0].revents != 0) {
      signalfd_siginfo info{};
      if (::read(signals, &info, sizeof info) == sizeof info && info.ssi_signo != SIGCHLD) stop();
    }
    if (watched[1].revents != 0) {
      char buffer[65536];
      const ssize_t n = ::read(output, buffer, sizeof buffer);
      // The caller gone (its end of our output closed) is the same as its input ending.
      if (n > 0 && !WriteAll(STDOUT_FILENO, buffer, static_cast<size_t>(n))) stop();
    }
    if (watched[2].revents != 0) {
      char buffer[256];
      const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
      if (n <= 0) {
        if (n == 0 || errno != EINTR) {
          inputOpen = false;
          stop();
        }
      } else {
        commands.append(buffer, static_cast<size_t>(n));
        for (size_t end; (end = commands.find('\n')) != std::string::npos;) {
          if (commands.compare(0, end, "stop") == 0) stop();
          commands.erase(0, end + 1);
        }
        if (commands.size() > 256) commands.clear();
      }
    }
  }
}

}  // namespace

int main(int argc, char**) {
  ClearInheritance();
  if (argc != 1) Refuse("it takes no arguments");
  if (::geteuid() != 0) Refuse("it must run as root");
  // SIGTERM and its kind end the engine, not the helper: they are read, not delivered.
  sigset_t handled;
  sigemptyset(&handled);
  for (int s : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGCHLD}) sigaddset(&handled, s);
  ::sigprocmask(SIG_BLOCK, &handled, nullptr);
  const int signals = ::signalfd(-1, &handled, SFD_CLOEXEC);
  if (signals < 0) Fail("no signal descriptor");

  tunnel::EngineRequest request;
  if (const std::string reason = tunnel::ParseEngineRequest(ReadRequest(), &request);
      !reason.empty()) {
    Refuse(reason);
  }

  const std::string enginePath =
      helper::EnginePathFor(platform::ModuleFileName(), platform::IsWow64Process());
  if (const std::string reason = helper::UnsafePathReason(enginePath); !reason.empty()) {
    Fail("the engine " + enginePath + " is not safe to run as root: " + reason);
  }
  std::string user;
  std::string group;
  EngineAccount(&user, &group);

  RemoveLeftoverFolders();
  const std::string folder = MakeAttemptFolder();
  WriteFiles(folder, request);

  int output[2];
  if (::pipe2(output, O_CLOEXEC) != 0) {
    RemoveFolder(folder);
    Fail("no pipe for the engine's output");
  }
  DnsState dnsState;
  std::string note;
  if (!dns::RestoreLeftoverDns(dnsState.system, &note)) {
    Say(std::string(helper::kName) +
        ": an earlier connection's DNS could not be put back: " + note);
  }
  // The hook is ours, beside the helper, and as safe to run as the engine; the engine's
  // command parser splits at blanks, so a folder with one gets no hook.
  std::string hook = helper::DnsHookPathFor(platform::ModuleFileName());
  int channel[2] = {-1, -1};
  std::string noHook;
  if (hook.find_first_of(" \t\"'\\") != std::string::npos) {
    noHook = "the helper's folder holds a blank or a quote";
  } else if (std::string reason = helper::UnsafePathReason(hook); !reason.empty()) {
    noHook = "its hook is not safe to run as root: " + reason;
  } else if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, channel) != 0) {
    noHook = "no channel for its hook";
  }
  if (!noHook.empty()) {
    hook.clear();
    Say(tunnel::kDnsFailedPrefix + noHook);
  }
  dnsState.channel = channel[0];
  const pid_t engine =
      StartEngine(helper::EngineArgv(enginePath, folder, user, group, hook), output[1], channel[1]);
  ::close(output[1]);
  if (channel[1] >= 0) ::close(channel[1]);
  if (engine < 0) {
    RemoveFolder(folder);
    Fail("cannot start the engine " + enginePath + ": " + std::strerror(-engine));
  }
  const int status = Supervise(engine, output[0], signals, dnsState);
  dnsState.PutBack();
  RemoveFolder(folder);
  Say(helper::EngineEndLine(status));
  return 0;
}
