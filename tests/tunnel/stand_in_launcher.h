#pragma once
// A launcher for tests: runs Connect's prepared engine command (the stand-in engine) as this
// program's own child, and ends it with SIGTERM, then SIGKILL.

#include <signal.h>

#include <memory>
#include <string>

#include "platform/system.h"
#include "tunnel/engine_launcher.h"
#include "tunnel/tunnel_runner.h"

namespace testing_support {

class StandInLauncher : public tunnel::EngineLauncher {
 public:
  explicit StandInLauncher(int graceMilliseconds) : grace_(graceMilliseconds) {}
  std::unique_ptr<tunnel::LaunchedEngine> Start(const tunnel::EngineJob& job, int outputFd,
                                                std::string* error) override {
    auto engine = std::make_unique<Child>();
    if (const int failed = engine->Process().Spawn(job.path, job.arguments, outputFd);
        failed != 0) {
      *error = tunnel::ErrorReportText("CreateProcess", failed);
      return nullptr;
    }
    return engine;
  }
  int GraceMilliseconds() const override { return grace_; }

 private:
  class Child : public tunnel::LaunchedEngine {
   public:
    void RequestStop() override { process_.Signal(SIGTERM); }
    bool ForceStop() override {
      process_.Signal(SIGKILL);
      return true;
    }
  };
  int grace_;
};

}  // namespace testing_support
