#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

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

int ChildProcess::Spawn(const std::string& path, const std::vector<std::string>& arguments,
                        int stdoutFd, int stderrFd) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
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

pid_t ChildProcess::Pid() const {
  std::lock_guard lock(mutex_);
  return pid_;
}

int ChildProcess::ExitStatus() const {
  std::lock_guard lock(mutex_);
  return status_;
}

bool WaitReadable(int fd, int milliseconds) {
  pollfd watched{fd, POLLIN, 0};
  int result;
  do {
    result = poll(&watched, 1, milliseconds);
  } while (result < 0 && errno == EINTR);
  return result > 0;
}

}  // namespace platform
