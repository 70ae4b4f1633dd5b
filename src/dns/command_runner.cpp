#include "dns/command_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace dns {
namespace {

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { Close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  void Reset(int fd) {
    Close();
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

// posix_spawn's dup2 onto the same number keeps FD_CLOEXEC, so a descriptor that would land
// on 0, 1 or 2 (a helper started with one of them closed) is moved above them first.
bool AboveStandard(Fd* fd) {
  if (fd->get() > 2) return true;
  const int moved = fcntl(fd->get(), F_DUPFD_CLOEXEC, 3);
  if (moved < 0) return false;
  fd->Reset(moved);
  return true;
}

bool NonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

std::chrono::steady_clock::time_point Now() { return std::chrono::steady_clock::now(); }

std::string SystemError(const char* what, int error) {
  return std::string(what) + ": " + std::strerror(error);
}

}  // namespace

int RecordingRunner::Run(const std::vector<std::string>& argv, const std::string& input,
                         std::string* output) {
  calls.push_back({argv, input});
  const Answer result = answer ? answer(calls.back()) : Answer{};
  if (output) *output = result.output;
  return result.status;
}

int PosixCommandRunner::Run(const std::vector<std::string>& argv, const std::string& input,
                            std::string* output) {
  std::string collected;
  auto fail = [&](int status, std::string why) {
    if (output) *output = std::move(why);
    return status;
  };
  if (argv.empty() || argv[0].empty() || argv[0][0] != '/')
    return fail(kRunNotStarted, "not an absolute program path");

  // Standard input is a socket so that writing to a tool that stopped reading fails with
  // EPIPE (MSG_NOSIGNAL) instead of raising SIGPIPE in the helper.
  int inPair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, inPair) != 0)
    return fail(kRunNotStarted, SystemError("socketpair", errno));
  Fd inChild(inPair[0]), inParent(inPair[1]);
  int outPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0) return fail(kRunNotStarted, SystemError("pipe", errno));
  Fd outParent(outPipe[0]), outChild(outPipe[1]);
  if (!AboveStandard(&inChild) || !AboveStandard(&outChild) || !NonBlocking(inParent.get()) ||
      !NonBlocking(outParent.get()))
    return fail(kRunNotStarted, SystemError("descriptors", errno));
  shutdown(inParent.get(), SHUT_RD);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, inChild.get(), 0);
  posix_spawn_file_actions_adddup2(&actions, outChild.get(), 1);
  posix_spawn_file_actions_adddup2(&actions, outChild.get(), 2);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  sigdelset(&all, SIGKILL);
  sigdelset(&all, SIGSTOP);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  char path[] = "PATH=/usr/sbin:/usr/bin:/sbin:/bin";
  char locale[] = "LC_ALL=C";
  char* environment[] = {path, locale, nullptr};

  pid_t pid = -1;
  const int spawned =
      posix_spawn(&pid, argv[0].c_str(), &actions, &attributes, args.data(), environment);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) return fail(kRunNotStarted, SystemError(argv[0].c_str(), spawned));
  inChild.Close();
  outChild.Close();
  Fd exited(static_cast<int>(syscall(SYS_pidfd_open, pid, 0)));

  const auto deadline = Now() + timeout_;
  std::size_t written = 0;
  if (input.empty()) inParent.Close();
  bool reaped = false;
  bool statusLost = false;
  int status = 0;
  char buffer[4096];
  while (true) {
    if (!reaped) {
      const pid_t done = waitpid(pid, &status, WNOHANG);
      // ECHILD: the helper ignores SIGCHLD, so the child was reaped without its status.
      statusLost = done < 0 && errno == ECHILD;
      reaped = done == pid || statusLost;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Now());
    if (left.count() <= 0) break;
    pollfd watched[3];
    nfds_t count = 0;
    if (outParent.get() >= 0) watched[count++] = {outParent.get(), POLLIN, 0};
    if (inParent.get() >= 0) watched[count++] = {inParent.get(), POLLOUT, 0};
    if (!reaped && exited.get() >= 0) watched[count++] = {exited.get(), POLLIN, 0};
    if (count == 0 && reaped) break;
    // Once the child has ended, only what is already there is read: a descendant may keep
    // the output open. Without a pidfd, short steps notice the end.
    const long wait = reaped              ? 0
                      : exited.get() >= 0 ? left.count()
                                          : std::min<long>(left.count(), 20);
    const int ready = poll(watched, count, static_cast<int>(wait));
    if (ready < 0 && errno != EINTR) break;
    bool readSomething = false;
    for (nfds_t i = 0; i < count && ready > 0; ++i) {
      if (watched[i].revents == 0 || watched[i].fd == exited.get()) continue;
      if (watched[i].fd == outParent.get()) {
        const ssize_t got = read(outParent.get(), buffer, sizeof buffer);
        if (got > 0) {
          readSomething = true;
          const std::size_t room =
              maxOutput_ > collected.size() ? maxOutput_ - collected.size() : 0;
          collected.append(buffer, std::min(room, static_cast<std::size_t>(got)));
        } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
          outParent.Close();
        }
      } else {
        const ssize_t sent =
            send(inParent.get(), input.data() + written, input.size() - written, MSG_NOSIGNAL);
        if (sent > 0) written += static_cast<std::size_t>(sent);
        if ((sent < 0 && errno != EAGAIN && errno != EINTR) || written == input.size())
          inParent.Close();
      }
    }
    if (reaped && !readSomething) break;
  }
  if (!reaped) {
    kill(-pid, SIGKILL);
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    const long ms = static_cast<long>(timeout_.count());
    const std::string seconds =
        std::to_string(ms / 1000) + (ms % 1000 >= 100 ? "." + std::to_string(ms % 1000 / 100) : "");
    return fail(kRunTimedOut, argv[0] + " did not finish within " + seconds + " s and was stopped");
  }
  if (statusLost) return fail(kRunSignalled, argv[0] + ": its exit status was lost");
  if (output) *output = std::move(collected);
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status))
    return fail(kRunSignalled,
                argv[0] + " was ended by signal " + std::to_string(WTERMSIG(status)));
  return fail(kRunSignalled, argv[0] + " ended abnormally");
}

}  // namespace dns
