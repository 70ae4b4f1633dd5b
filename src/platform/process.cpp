#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <pthread.h>

#include <cerrno>

extern char** environ;

namespace platform {

int CreatePipe(PipeEnds& ends) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return errno;
  ends.read = fds[0];
  ends.write = fds[1];
  return 0;
}

void CloseDescriptor(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

long BytesWaiting(int fd) {
  int count = 0;
  if (ioctl(fd, FIONREAD, &count) != 0) return -1;
  return count;
}

long ReadFile(int fd, char* buffer, size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd, buffer, size);
    if (n >= 0) return static_cast<long>(n);
    if (errno != EINTR) return -1;
  }
}

ChildProcess::~ChildProcess() {
  if (endFd_ >= 0) ::close(endFd_);
}

int ChildProcess::Spawn(const std::string& path, const std::vector<std::string>& arguments,
                        int stdoutFd, int stderrFd, int stdinFd) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  if (stdinFd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, stdinFd, STDIN_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
  if (stderrFd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, stderrFd, STDERR_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  }

  // The program may block or catch signals for its own shutdown; the engine must still end
  // on SIGTERM, so it starts with the default handling and nothing blocked.
  sigset_t empty;
  sigemptyset(&empty);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int s : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGQUIT, SIGCHLD, SIGUSR1, SIGUSR2}) {
    sigaddset(&defaults, s);
  }
  posix_spawnattr_setsigmask(&attributes, &empty);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = -1;
  const int error = posix_spawn(&pid, path.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (error != 0) return error;

  std::lock_guard lock(mutex_);
  pid_ = pid;
  reaped_ = false;
  status_ = 0;
  if (endFd_ >= 0) ::close(endFd_);
  // Not reaped yet, so the id cannot have been handed to another process.
  endFd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  return 0;
}

bool ChildProcess::HasEnded() {
  std::lock_guard lock(mutex_);
  if (pid_ < 0 || reaped_) return true;
  int status = 0;
  pid_t result;
  do {
    result = waitpid(pid_, &status, WNOHANG);
  } while (result < 0 && errno == EINTR);
  if (result == 0) return false;
  // Either reaped now, or not ours to wait for any more (ECHILD): ended in both cases.
  reaped_ = true;
  status_ = result == pid_ ? status : 0;
  return true;
}

bool ChildProcess::Signal(int signalNumber) {
  std::lock_guard lock(mutex_);
  if (pid_ < 0 || reaped_) return false;
  return ::kill(pid_, signalNumber) == 0;
}

bool ChildProcess::Terminate() { return Signal(SIGTERM); }

pid_t ChildProcess::Pid() const {
  std::lock_guard lock(mutex_);
  return pid_;
}

int ChildProcess::ExitStatus() const {
  std::lock_guard lock(mutex_);
  return status_;
}

bool WriteAll(int fd, const char* data, size_t size) {
  // A reader that is gone must not end this program with SIGPIPE: the signal is held for this
  // thread alone and taken back when the write failed on it.
  sigset_t pipeSignal;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  sigset_t saved;
  pthread_sigmask(SIG_BLOCK, &pipeSignal, &saved);
  bool written = true;
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n < 0 && errno == EPIPE && !sigismember(&saved, SIGPIPE)) {
        const timespec now{0, 0};
        sigtimedwait(&pipeSignal, nullptr, &now);
      }
      written = false;
      break;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  pthread_sigmask(SIG_SETMASK, &saved, nullptr);
  return written;
}

WakeEvent::WakeEvent() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
WakeEvent::~WakeEvent() {
  if (fd_ >= 0) ::close(fd_);
}
void WakeEvent::Signal() {
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(fd_, &one, sizeof one);
}
void WakeEvent::Clear() {
  uint64_t count = 0;
  [[maybe_unused]] const ssize_t n = ::read(fd_, &count, sizeof count);
}

int WaitForAny(const std::vector<int>& fds, int milliseconds) {
  std::vector<pollfd> watched;
  watched.reserve(fds.size());
  for (int fd : fds) watched.push_back({fd, POLLIN, 0});
  int result;
  do {
    result = poll(watched.data(), watched.size(), milliseconds);
  } while (result < 0 && errno == EINTR);
  for (size_t i = 0; i < watched.size(); ++i) {
    if (watched[i].revents != 0) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace platform
