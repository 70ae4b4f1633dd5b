#pragma once
// How the engine is started and stopped. Run by root, the program starts the engine as its own
// child and ends it with signals. Run by anyone else, the engine needs rights the program must
// not have: an elevation command (pkexec, or what TESMIRA_ELEVATE names) starts it as root, and
// since an ordinary user cannot signal a root process, the engine is stopped through its
// management interface on a Unix socket in a folder only this user can reach.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/process.h"

namespace tunnel {

// An engine as its launcher started it.
class LaunchedEngine {
 public:
  virtual ~LaunchedEngine() = default;
  platform::ChildProcess& Process() { return process_; }
  // Asks the engine to end.
  virtual void RequestStop() = 0;
  // The engine has outlived its grace period. True when it was made to end for certain (killed);
  // false when this launcher has no such means left.
  virtual bool ForceStop() = 0;
  // Once the engine has ended: what it leaves behind is removed.
  virtual void Ended() {}

 protected:
  platform::ChildProcess process_;
};

class EngineLauncher {
 public:
  virtual ~EngineLauncher() = default;
  // Starts the engine at `path` with its argument vector (its name first), its output on
  // `outputFd`. Null, with the error number in *error, when it could not be started.
  virtual std::unique_ptr<LaunchedEngine> Start(const std::string& path,
                                                const std::vector<std::string>& engineArguments,
                                                int outputFd, uint64_t attempt, int* error) = 0;
  // How long an engine asked to end may take before it is forced.
  virtual int GraceMilliseconds() const = 0;
};

inline constexpr int kEngineGraceMilliseconds = 1500;

// The engine as this program's own child: SIGTERM, then SIGKILL.
class DirectLauncher : public EngineLauncher {
 public:
  explicit DirectLauncher(int graceMilliseconds = kEngineGraceMilliseconds)
      : grace_(graceMilliseconds) {}
  std::unique_ptr<LaunchedEngine> Start(const std::string& path,
                                        const std::vector<std::string>& engineArguments,
                                        int outputFd, uint64_t attempt, int* error) override;
  int GraceMilliseconds() const override { return grace_; }

 private:
  int grace_;
};

// The engine run as root through an elevation command, stopped through its management
// interface. The command's own complaints (refused, cancelled, no agent) reach the output too,
// so an engine that was never allowed to start is reported with the command's words.
class ElevatedLauncher : public EngineLauncher {
 public:
  // `command`: the elevation command's words, e.g. {"pkexec"} or {"sudo", "-n"}; `socketFolder`:
  // a folder only this user can reach; `user`: the only user the engine lets in.
  ElevatedLauncher(std::vector<std::string> command, std::string socketFolder, std::string user,
                   int graceMilliseconds = kEngineGraceMilliseconds);
  std::unique_ptr<LaunchedEngine> Start(const std::string& path,
                                        const std::vector<std::string>& engineArguments,
                                        int outputFd, uint64_t attempt, int* error) override;
  int GraceMilliseconds() const override { return grace_; }

  // What is really run: the command's words, the engine's path and arguments, then its
  // management options.
  std::vector<std::string> CommandFor(const std::string& path,
                                      const std::vector<std::string>& engineArguments,
                                      const std::string& socketPath) const;
  // One socket per attempt: an engine still stopping never shares it with the next.
  std::string SocketPath(uint64_t attempt) const;
  // Where the profile files are; the working folder when not set.
  void SetFilesFolder(std::string folder) { filesFolder_ = std::move(folder); }

 private:
  std::vector<std::string> command_;
  std::string socketFolder_;
  std::string user_;
  std::string filesFolder_;
  int grace_;
};

// Asks the engine listening on `socketPath` to end ("signal SIGTERM"); false when it could not
// be told. Never blocks for long: it runs on the user-interface thread.
bool SendManagementStop(const std::string& socketPath);

// TESMIRA_ELEVATE split at blanks (no shell); "pkexec" when it is unset or blank.
std::vector<std::string> ElevationCommand(const char* elevate);

// The launcher this process needs: direct as root, else elevated with a socket folder of its
// own. Null, with the reason in *error, when no private folder for the socket can be had.
std::shared_ptr<EngineLauncher> MakeLauncherForThisProcess(std::string* error);

}  // namespace tunnel
