#pragma once
// Runs the system's DNS tools (resolvectl, resolvconf) for the root helper: absolute paths
// only, a clean environment, bounded output and a time-out, so a hostile environment or a
// hung tool cannot steer or stall the helper.

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace dns {

// Run's results that are not an exit status.
inline constexpr int kRunNotStarted = -1;  // the program could not be started
inline constexpr int kRunTimedOut = -2;    // killed after the time-out
inline constexpr int kRunSignalled = -3;   // ended by a signal

class CommandRunner {
 public:
  virtual ~CommandRunner() = default;
  // Runs argv[0] (an absolute path) with argv, `input` on its standard input, and collects its
  // standard output and error together into `output` (may be null). Returns the exit status
  // (0 to 255) or one of the kRun* values, in which case `output` says why.
  virtual int Run(const std::vector<std::string>& argv, const std::string& input,
                  std::string* output) = 0;
};

// posix_spawn with the environment cleared to a fixed PATH and LC_ALL=C, no descriptors but
// the three pipes, default signal handling and mask, in a process group of its own that is
// killed whole after `timeout`. Output past `maxOutput` bytes is read and dropped.
class PosixCommandRunner : public CommandRunner {
 public:
  explicit PosixCommandRunner(std::chrono::milliseconds timeout = std::chrono::seconds(5),
                              std::size_t maxOutput = 64 * 1024)
      : timeout_(timeout), maxOutput_(maxOutput) {}
  int Run(const std::vector<std::string>& argv, const std::string& input,
          std::string* output) override;

 private:
  std::chrono::milliseconds timeout_;
  std::size_t maxOutput_;
};

// For tests: records every call and answers from `answer` (exit status 0 and no output when
// it is not set).
struct RecordingRunner : public CommandRunner {
  struct Call {
    std::vector<std::string> argv;
    std::string input;
  };
  struct Answer {
    int status = 0;
    std::string output;
  };
  int Run(const std::vector<std::string>& argv, const std::string& input,
          std::string* output) override;

  std::vector<Call> calls;
  std::function<Answer(const Call&)> answer;
};

}  // namespace dns
