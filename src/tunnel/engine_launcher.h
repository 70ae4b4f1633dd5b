#pragma once
// How the engine is started and stopped. The program never starts the engine itself: the
// engine helper, Tesmira's one program that runs as root, does, from a checked request, and
// ends it on "stop", at the end of its input or on SIGTERM. Run by root the program starts the
// helper directly; run by anyone else through the elevation command (pkexec, or what
// TESMIRA_ELEVATE names), whose policy names the helper alone.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/process.h"
#include "tunnel/engine_request.h"

namespace tunnel {

// What one connection attempt asks for: the request, and the engine command Connect prepared
// (the helper builds its own; a launcher of tests may run a stand-in engine from it).
struct EngineJob {
  uint64_t attempt = 0;
  EngineRequest request;
  std::string path;
  std::vector<std::string> arguments;
};

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

 protected:
  platform::ChildProcess process_;
};

class EngineLauncher {
 public:
  virtual ~EngineLauncher() = default;
  // Starts the engine for `job`, its output (standard output and error) on `outputFd`. Null,
  // with the reason in *error, when it could not be started.
  virtual std::unique_ptr<LaunchedEngine> Start(const EngineJob& job, int outputFd,
                                                std::string* error) = 0;
  // How long an engine asked to end may take before it is forced.
  virtual int GraceMilliseconds() const = 0;
};

// More than the helper's own grace (2 s) before it kills the engine, so the helper has its say.
inline constexpr int kEngineGraceMilliseconds = 3000;

// The engine through the helper: the request on the helper's input, "stop" to end it.
class HelperLauncher : public EngineLauncher {
 public:
  // `command`: the elevation command's words ({"pkexec"}, {"sudo", "-n"}), empty as root;
  // `helperPath`: the helper's absolute path.
  HelperLauncher(std::vector<std::string> command, std::string helperPath,
                 int graceMilliseconds = kEngineGraceMilliseconds);
  std::unique_ptr<LaunchedEngine> Start(const EngineJob& job, int outputFd,
                                        std::string* error) override;
  int GraceMilliseconds() const override { return grace_; }

  // What is really run: the command's words, then the helper, with no argument of its own.
  std::vector<std::string> CommandLine() const;

 private:
  std::vector<std::string> command_;
  std::string helperPath_;
  int grace_;
};

// TESMIRA_ELEVATE split at blanks (no shell); "pkexec" when it is unset or blank.
std::vector<std::string> ElevationCommand(const char* elevate);

// Where the helper is for a program in `programFolder`: installed, the program is
// <prefix>/lib/tesmira/tesmira and the helper <prefix>/libexec/tesmira/tesmira-engine-helper;
// the build tree has the same layout two folders down.
std::string HelperPathFor(const std::string& programFolder);

// The launcher this process needs: the helper, directly as root, else elevated.
std::shared_ptr<EngineLauncher> MakeLauncherForThisProcess();

}  // namespace tunnel
