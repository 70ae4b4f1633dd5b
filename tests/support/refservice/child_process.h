#pragma once
// Child processes for tests: started with an argument vector, output captured by a reader
// thread, and never left behind: the destructor ends the whole process group, and the kernel
// kills the child if the test process dies first.

#include <sys/types.h>

#include <csignal>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace testsupport {

using namespace std::chrono_literals;

struct ChildOptions {
  std::vector<std::string> argv;  // argv[0] is the program's path
  std::filesystem::path workDir;  // empty: the test's own
  bool captureStderr = true;      // merged with stdout; otherwise inherited
  bool pipeInput = false;         // stdin a pipe for WriteInput; otherwise /dev/null
  // Whether the child's end also ends what else runs in its group. Off for a test of what a
  // program's end does to the processes it started: a killed program's children live on.
  bool endGroupWithChild = true;
};

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts the program (stdin is /dev/null); an object runs one child only. The child dies
  // with the thread that called this, so keep the object on the test's thread. On failure
  // says why in *error.
  bool Start(const ChildOptions& options, std::string* error);

  pid_t Pid() const { return pid_; }
  bool Started() const { return pid_ > 0; }

  // Waits until the output from position `from` on holds `needle`. False when the child closed
  // its output first or the timeout passed; the timeout only bounds a hung child.
  bool WaitForOutput(std::string_view needle, std::chrono::milliseconds timeout,
                     size_t from = 0) const;
  std::string Output() const;

  // With pipeInput: writes to the child's standard input, or closes it.
  bool WriteInput(std::string_view bytes);
  void CloseInput();

  // Waits for the child to end by itself; its wait status, or nothing on timeout.
  std::optional<int> WaitExit(std::chrono::milliseconds timeout);

  // Sends `signo` to the child's process group, waits up to `grace`, then kills the group.
  // Returns the child's wait status. Safe to call more than once.
  int Stop(int signo = SIGTERM, std::chrono::milliseconds grace = 5s);

 private:
  void ReadOutput();
  void FinishReader();

  pid_t pid_ = -1;
  std::optional<int> status_;
  int outFd_ = -1;
  int inFd_ = -1;
  bool endGroupWithChild_ = true;
  int wakeFds_[2] = {-1, -1};
  std::thread reader_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::string output_;
  bool outputClosed_ = false;
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  explicit TempDir(std::string_view prefix = "tesmira-test");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // Writes `bytes` exactly to Path()/name with the given permission bits; returns the path.
  std::filesystem::path Write(const std::string& name, std::string_view bytes,
                              std::filesystem::perms perms = std::filesystem::perms(0644)) const;

 private:
  std::filesystem::path path_;
};

// A fresh temporary folder made the working directory for the object's life: the program keeps
// its settings and profile files in its working directory.
class ScopedWorkDir {
 public:
  explicit ScopedWorkDir(std::string_view prefix = "tesmira-work");
  ~ScopedWorkDir();
  ScopedWorkDir(const ScopedWorkDir&) = delete;
  ScopedWorkDir& operator=(const ScopedWorkDir&) = delete;
  const TempDir& Dir() const { return dir_; }
  const std::filesystem::path& Path() const { return dir_.Path(); }

 private:
  TempDir dir_;
  std::filesystem::path previous_;
};

std::string ReadFileBytes(const std::filesystem::path& file);

}  // namespace testsupport
