#include "support/refservice/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace testsupport {
namespace {

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

ChildProcess::~ChildProcess() {
  CloseInput();
  Stop();
}

bool ChildProcess::WriteInput(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(inFd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

void ChildProcess::CloseInput() { CloseFd(inFd_); }

bool ChildProcess::Start(const ChildOptions& options, std::string* error) {
  if (pid_ > 0 || status_ || options.argv.empty()) {
    *error = options.argv.empty() ? "no program given" : "already started";
    return false;
  }
  int outPipe[2];
  int errPipe[2];
  if (::pipe2(outPipe, O_CLOEXEC) != 0) {
    *error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  if (::pipe2(errPipe, O_CLOEXEC) != 0 || ::pipe2(wakeFds_, O_CLOEXEC) != 0) {
    *error = std::string("pipe: ") + std::strerror(errno);
    ::close(outPipe[0]);
    ::close(outPipe[1]);
    return false;
  }

  int inPipe[2] = {-1, -1};
  if (options.pipeInput && ::pipe2(inPipe, O_CLOEXEC) != 0) {
    *error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }

  // Everything the child needs is prepared here: after fork it may only make system calls.
  std::vector<char*> argv;
  for (const std::string& arg : options.argv) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const std::string workDir = options.workDir.string();
  const pid_t parent = ::getpid();

  const pid_t pid = ::fork();
  if (pid < 0) {
    *error = std::string("fork: ") + std::strerror(errno);
    for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) ::close(fd);
    CloseFd(wakeFds_[0]);
    CloseFd(wakeFds_[1]);
    return false;
  }
  if (pid == 0) {
    // Its own process group, so that Stop reaches the scripts it runs too.
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    const int null = inPipe[0] >= 0 ? inPipe[0] : ::open("/dev/null", O_RDONLY);
    if (null >= 0) ::dup2(null, 0);
    ::dup2(outPipe[1], 1);
    if (options.captureStderr) ::dup2(outPipe[1], 2);
    int failure = 0;
    if (!workDir.empty() && ::chdir(workDir.c_str()) != 0) failure = errno;
    if (failure == 0) {
      // Descriptors the test process opened without close-on-exec stay out of the child.
      ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
      ::execv(argv[0], argv.data());
      failure = errno;
    }
    [[maybe_unused]] const ssize_t n = ::write(errPipe[1], &failure, sizeof failure);
    ::_exit(127);
  }

  ::setpgid(pid, pid);  // also here: the child may not have run yet when Stop comes
  pid_ = pid;
  endGroupWithChild_ = options.endGroupWithChild;
  if (inPipe[0] >= 0) ::close(inPipe[0]);
  inFd_ = inPipe[1];
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  outFd_ = outPipe[0];
  int failure = 0;
  ssize_t n;
  do {
    n = ::read(errPipe[0], &failure, sizeof failure);
  } while (n < 0 && errno == EINTR);
  ::close(errPipe[0]);
  reader_ = std::thread([this] { ReadOutput(); });
  if (n == static_cast<ssize_t>(sizeof failure)) {
    *error = "cannot run " + options.argv[0] + ": " + std::strerror(failure);
    Stop(SIGKILL);
    pid_ = -1;
    return false;
  }
  return true;
}

void ChildProcess::ReadOutput() {
  char buffer[65536];
  bool drainOnly = false;
  for (;;) {
    if (!drainOnly) {
      pollfd fds[2] = {{outFd_, POLLIN, 0}, {wakeFds_[0], POLLIN, 0}};
      if (::poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if (fds[1].revents != 0) {
        // The child is gone; take what is left without waiting for stray writers.
        ::fcntl(outFd_, F_SETFL, ::fcntl(outFd_, F_GETFL) | O_NONBLOCK);
        drainOnly = true;
      }
    }
    const ssize_t n = ::read(outFd_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    std::lock_guard lock(mutex_);
    output_.append(buffer, static_cast<size_t>(n));
    changed_.notify_all();
  }
  std::lock_guard lock(mutex_);
  outputClosed_ = true;
  changed_.notify_all();
}

void ChildProcess::FinishReader() {
  if (reader_.joinable()) {
    const char wake = 1;
    [[maybe_unused]] const ssize_t n = ::write(wakeFds_[1], &wake, 1);
    reader_.join();
  }
  CloseFd(outFd_);
  CloseFd(wakeFds_[0]);
  CloseFd(wakeFds_[1]);
}

bool ChildProcess::WaitForOutput(std::string_view needle, std::chrono::milliseconds timeout,
                                 size_t from) const {
  std::unique_lock lock(mutex_);
  const auto found = [&] {
    return output_.size() > from && output_.find(needle, from) != std::string::npos;
  };
  changed_.wait_for(lock, timeout, [&] { return found() || outputClosed_; });
  return found();
}

std::string ChildProcess::Output() const {
  std::lock_guard lock(mutex_);
  return output_;
}

std::optional<int> ChildProcess::WaitExit(std::chrono::milliseconds timeout) {
  if (status_) return status_;
  if (pid_ <= 0) return std::nullopt;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    // Look without reaping: while the child is a zombie its group id cannot be reused, so
    // the stragglers of its group can still be killed safely.
    siginfo_t info{};
    const int r = ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT);
    if ((r == 0 && info.si_pid == pid_) || (r < 0 && errno == ECHILD)) break;
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(10ms);
  }
  if (endGroupWithChild_) ::kill(-pid_, SIGKILL);
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  status_ = status;
  FinishReader();
  return status_;
}

int ChildProcess::Stop(int signo, std::chrono::milliseconds grace) {
  if (pid_ <= 0) return 0;
  if (!status_) {
    ::kill(-pid_, signo);
    if (!WaitExit(grace)) {
      ::kill(-pid_, SIGKILL);
      WaitExit(std::chrono::hours(1));
    }
  }
  FinishReader();
  return *status_;
}

TempDir::TempDir(std::string_view prefix) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    std::fprintf(stderr, "mkdtemp %s: %s\n", pattern.c_str(), std::strerror(errno));
    std::abort();
  }
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

ScopedWorkDir::ScopedWorkDir(std::string_view prefix)
    : dir_(prefix), previous_(std::filesystem::current_path()) {
  std::filesystem::current_path(dir_.Path());
}

ScopedWorkDir::~ScopedWorkDir() {
  std::error_code ec;
  std::filesystem::current_path(previous_, ec);
}

std::filesystem::path TempDir::Write(const std::string& name, std::string_view bytes,
                                     std::filesystem::perms perms) const {
  const std::filesystem::path file = path_ / name;
  // Created with its final mode, so a secret is never readable by others, not even briefly.
  const int fd =
      ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, static_cast<mode_t>(perms));
  bool ok = fd >= 0;
  while (ok && !bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) bytes.remove_prefix(static_cast<size_t>(n));
  }
  if (fd >= 0) ::close(fd);
  if (ok) std::filesystem::permissions(file, perms);  // the umask may have taken bits away
  if (!ok) {
    std::fprintf(stderr, "cannot write %s: %s\n", file.c_str(), std::strerror(errno));
    std::abort();
  }
  return file;
}

std::string ReadFileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return std::move(bytes).str();
}

}  // namespace testsupport
