#include "tunnel/engine_launcher.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "platform/system.h"

namespace tunnel {
namespace {

class HelperEngine : public LaunchedEngine {
 public:
  explicit HelperEngine(bool asRoot) : asRoot_(asRoot) {}
  ~HelperEngine() override { platform::CloseDescriptor(input_); }

  // Its input is the helper's lifeline: "stop", then the end of it, which alone would do.
  void RequestStop() override {
    if (input_ < 0) return;
    static constexpr char kStop[] = "stop\n";
    [[maybe_unused]] const bool sent = platform::WriteAll(input_, kStop, sizeof kStop - 1);
    platform::CloseDescriptor(input_);
  }
  // The helper kills the engine itself after its grace. Killing the helper instead would leave
  // the engine without its parent, so it is only reminded, where this program may signal it.
  bool ForceStop() override {
    RequestStop();
    if (asRoot_) process_.Terminate();
    return false;
  }
  int& Input() { return input_; }

 private:
  bool asRoot_;
  int input_ = -1;
};

}  // namespace

HelperLauncher::HelperLauncher(std::vector<std::string> command, std::string helperPath,
                               int graceMilliseconds)
    : command_(std::move(command)), helperPath_(std::move(helperPath)), grace_(graceMilliseconds) {}

std::vector<std::string> HelperLauncher::CommandLine() const {
  std::vector<std::string> argv = command_;
  argv.push_back(helperPath_);
  return argv;
}

std::unique_ptr<LaunchedEngine> HelperLauncher::Start(const EngineJob& job, int outputFd,
                                                      std::string* error) {
  // Checked here too, so that a request the helper would refuse asks no one for a password.
  if (std::string reason = CheckEngineRequest(job.request); !reason.empty()) {
    *error = "tesmira-engine-helper: refused: " + reason;
    return nullptr;
  }
  const std::vector<std::string> argv = CommandLine();
  // The command is looked up as a shell would, so "pkexec" and "sudo" need no path.
  std::string program = argv.at(0);
  if (program.find('/') == std::string::npos) program = platform::FindInPath(program);
  if (program.empty()) {
    *error = argv.at(0) + ": not found";
    return nullptr;
  }
  platform::PipeEnds input;
  if (const int failed = platform::CreatePipe(input); failed != 0) {
    *error = "no pipe for the engine helper: " + platform::SystemErrorText(failed);
    return nullptr;
  }
  auto engine = std::make_unique<HelperEngine>(command_.empty());
  const int failed = engine->Process().Spawn(program, argv, outputFd, outputFd, input.read);
  platform::CloseDescriptor(input.read);
  if (failed != 0) {
    platform::CloseDescriptor(input.write);
    *error = "CreateProcess failed with error " + std::to_string(failed) + ": " +
             platform::SystemErrorText(failed) + " (" + program + ")";
    return nullptr;
  }
  // The request is far smaller than a pipe holds, so this never waits for the helper (which
  // under pkexec may not run before the user has answered).
  platform::WriteAll(input.write, EngineRequestText(job.request));
  engine->Input() = input.write;
  return engine;
}

std::vector<std::string> ElevationCommand(const char* elevate) {
  std::vector<std::string> words;
  if (elevate != nullptr) {
    std::istringstream in(elevate);
    for (std::string word; in >> word;) words.push_back(word);
  }
  if (words.empty()) words.emplace_back("pkexec");
  return words;
}

std::string HelperPathFor(const std::string& programFolder) {
  return (std::filesystem::path(programFolder) / "../../libexec/tesmira/tesmira-engine-helper")
      .lexically_normal()
      .string();
}

std::shared_ptr<EngineLauncher> MakeLauncherForThisProcess() {
  const std::string helper = HelperPathFor(platform::ProgramFolder());
  if (platform::RunsAsRoot())
    return std::make_shared<HelperLauncher>(std::vector<std::string>{}, helper);
  return std::make_shared<HelperLauncher>(ElevationCommand(std::getenv("TESMIRA_ELEVATE")), helper);
}

}  // namespace tunnel
