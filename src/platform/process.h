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

// Waits until `fd` has something to read or has reached its end, at most `milliseconds`;
// true when it has.
bool WaitReadable(int fd, int milliseconds);

// One child process of this program. Reaping and signalling share a lock, so no signal can
// reach a process id that has been reaped and perhaps handed to another process since.
class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // A child still running is left alone: ending it is its owner's decision.
  ~ChildProcess() = default;

  // Starts the program named by `path` (no search, nothing appended) with `arguments` as its
  // whole argument vector (the first is its name), the parent's environment and working
  // directory, standard output on `stdoutFd`, standard input on /dev/null and standard error on
  // `stderrFd` (/dev/null when negative). Signal dispositions and the signal mask are reset for
  // the child. 0 or the error number.
  int Spawn(const std::string& path, const std::vector<std::string>& arguments, int stdoutFd,
            int stderrFd = -1);

  // True once the process has ended; the first call that sees the end reaps it.
  bool HasEnded();

  // Sends a signal unless the process has already been reaped; true when it was sent.
  bool Signal(int signalNumber);

  pid_t Pid() const;
  // Meaningful once HasEnded(): the status that waitpid gave.
  int ExitStatus() const;

 private:
  mutable std::mutex mutex_;
  pid_t pid_ = -1;
  bool reaped_ = false;
  int status_ = 0;
};

}  // namespace platform
