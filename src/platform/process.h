#pragma once
// Child processes and pipes: what the engine runner needs from the system (CreatePipe,
// CreateProcess, PeekNamedPipe, ReadFile, WaitForSingleObject and ending a process).

#include <sys/types.h>

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

// The two ends of an anonymous pipe. Both are close-on-exec, so a child only ever holds the
// end that is handed to it explicitly.
struct PipeEnds {
  int read = -1;
  int write = -1;
};

// 0 on success, else the system's error number.
int CreatePipe(PipeEnds& ends);
void CloseDescriptor(int& fd);

// Bytes that can be read from `fd` without blocking; -1 when the descriptor fails.
long BytesWaiting(int fd);

// Reads at most `size` bytes; -1 on failure (interrupted reads are retried).
long ReadFile(int fd, char* buffer, size_t size);

// Writes all of `bytes`; false when the descriptor fails first.
bool WriteAll(int fd, const char* data, size_t size);
inline bool WriteAll(int fd, const std::string& bytes) {
  return WriteAll(fd, bytes.data(), bytes.size());
}

// A wake-up another thread can give to one that waits in WaitForAny (an eventfd).
class WakeEvent {
 public:
  WakeEvent();
  ~WakeEvent();
  WakeEvent(const WakeEvent&) = delete;
  WakeEvent& operator=(const WakeEvent&) = delete;
  void Signal();
  // Takes a given wake-up back, so that the next wait blocks again.
  void Clear();
  int Descriptor() const { return fd_; }

 private:
  int fd_ = -1;
};

// Waits until one of `fds` (negative ones are skipped) is readable, has reached its end or has
// failed, or `milliseconds` have passed (negative: no limit). Returns the index of the first
// such descriptor, or -1 when the time ran out.
int WaitForAny(const std::vector<int>& fds, int milliseconds);

// One child process of this program. Reaping and signalling share a lock, so no signal can
// reach a process id that has been reaped and perhaps handed to another process since.
class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // A child still running is left alone: ending it is its owner's decision.
  ~ChildProcess();

  // Starts the program named by `path` (no search, nothing appended) with `arguments` as its
  // whole argument vector (the first is its name), the parent's environment and working
  // directory, standard output on `stdoutFd`, standard error on `stderrFd` (/dev/null when
  // negative) and standard input on `stdinFd` (/dev/null when negative). Signal dispositions
  // and the signal mask are reset for the child. 0 or the error number.
  int Spawn(const std::string& path, const std::vector<std::string>& arguments, int stdoutFd,
            int stderrFd = -1, int stdinFd = -1);

  // A descriptor that becomes readable when the process ends (a pidfd); -1 where the system has
  // none, or before Spawn.
  int EndDescriptor() const { return endFd_; }

  // True once the process has ended; the first call that sees the end reaps it.
  bool HasEnded();

  // Sends a signal unless the process has already been reaped; true when it was sent.
  bool Signal(int signalNumber);
  // Asks it to end (SIGTERM).
  bool Terminate();

  pid_t Pid() const;
  // Meaningful once HasEnded(): the status that waitpid gave.
  int ExitStatus() const;

 private:
  mutable std::mutex mutex_;
  pid_t pid_ = -1;
  bool reaped_ = false;
  int status_ = 0;
  int endFd_ = -1;
};

}  // namespace platform
