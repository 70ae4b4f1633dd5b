#include "tunnel/engine_launcher.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "platform/private_folder.h"
#include "platform/system.h"
#include "tunnel/engine_command.h"

namespace tunnel {
namespace {

class DirectEngine : public LaunchedEngine {
 public:
  void RequestStop() override { process_.Signal(SIGTERM); }
  bool ForceStop() override {
    process_.Signal(SIGKILL);
    return true;
  }
};

class ElevatedEngine : public LaunchedEngine {
 public:
  explicit ElevatedEngine(std::string socketPath) : socketPath_(std::move(socketPath)) {}
  ~ElevatedEngine() override { Ended(); }

  void RequestStop() override {
    // Before the engine listens (the user may still be typing a password) the elevation
    // command itself is ours to signal, and it takes the engine with it.
    if (!SendManagementStop(socketPath_)) process_.Signal(SIGTERM);
  }
  bool ForceStop() override {
    // No kill reaches a root process from here: ask once more both ways; sudo passes SIGTERM
    // on to the engine it waits for.
    RequestStop();
    process_.Signal(SIGTERM);
    return false;
  }
  void Ended() override {
    if (!socketPath_.empty()) ::unlink(socketPath_.c_str());
    socketPath_.clear();
  }

 private:
  std::string socketPath_;
};

std::string UserName() {
  if (const passwd* entry = getpwuid(getuid())) return entry->pw_name;
  return std::to_string(getuid());
}

}  // namespace

std::unique_ptr<LaunchedEngine> DirectLauncher::Start(
    const std::string& path, const std::vector<std::string>& engineArguments, int outputFd,
    uint64_t, int* error) {
  auto engine = std::make_unique<DirectEngine>();
  *error = engine->Process().Spawn(path, engineArguments, outputFd);
  if (*error != 0) return nullptr;
  return engine;
}

ElevatedLauncher::ElevatedLauncher(std::vector<std::string> command, std::string socketFolder,
                                   std::string user, int graceMilliseconds)
    : command_(std::move(command)),
      socketFolder_(std::move(socketFolder)),
      user_(std::move(user)),
      grace_(graceMilliseconds) {}

std::string ElevatedLauncher::SocketPath(uint64_t attempt) const {
  return socketFolder_ + "/engine-" + std::to_string(getpid()) + "-" + std::to_string(attempt) +
         ".sock";
}

std::vector<std::string> ElevatedLauncher::CommandFor(
    const std::string& path, const std::vector<std::string>& engineArguments,
    const std::string& socketPath) const {
  std::vector<std::string> argv = command_;
  // pkexec finds the engine's own polkit action by its exact path, so "folder//64bit" is said
  // as "folder/64bit".
  argv.push_back(std::filesystem::path(path).lexically_normal().string());
  // pkexec starts its program in root's home; the profile names its CA file relative to the
  // folder Connect wrote it in.
  argv.emplace_back("--cd");
  argv.push_back(filesFolder_.empty() ? WorkingFolder() : filesFolder_);
  if (!engineArguments.empty()) {
    argv.insert(argv.end(), engineArguments.begin() + 1, engineArguments.end());
  }
  // Only this user may talk to the engine, besides the folder keeping everyone else out.
  for (const char* option :
       {"--management", socketPath.c_str(), "unix", "--management-client-user", user_.c_str()}) {
    argv.emplace_back(option);
  }
  return argv;
}

std::unique_ptr<LaunchedEngine> ElevatedLauncher::Start(
    const std::string& path, const std::vector<std::string>& engineArguments, int outputFd,
    uint64_t attempt, int* error) {
  const std::string socketPath = SocketPath(attempt);
  ::unlink(socketPath.c_str());
  auto engine = std::make_unique<ElevatedEngine>(socketPath);
  const std::vector<std::string> argv = CommandFor(path, engineArguments, socketPath);
  // The command is looked up as a shell would, so "pkexec" and "sudo" need no path.
  std::string program = argv.at(0);
  if (program.find('/') == std::string::npos) program = platform::FindInPath(program);
  *error = program.empty() ? ENOENT : engine->Process().Spawn(program, argv, outputFd, outputFd);
  if (*error != 0) return nullptr;
  return engine;
}

bool SendManagementStop(const std::string& socketPath) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.size() >= sizeof(address.sun_path)) return false;
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return false;
  bool sent = false;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) {
    static constexpr char kCommand[] = "signal SIGTERM\n";
    sent = ::send(fd, kCommand, sizeof(kCommand) - 1, MSG_NOSIGNAL) ==
           static_cast<ssize_t>(sizeof(kCommand) - 1);
    // The engine reads the command before it sees the connection close; a short wait for its
    // answer keeps that order without holding the dialog up.
    pollfd answer{fd, POLLIN, 0};
    if (sent) ::poll(&answer, 1, 200);
  }
  ::close(fd);
  return sent;
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

std::shared_ptr<EngineLauncher> MakeLauncherForThisProcess(std::string* error) {
  if (geteuid() == 0) return std::make_shared<DirectLauncher>();
  // A socket path is short (108 bytes): the runtime folder first, the private folder next.
  std::vector<std::string> candidates;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/') {
    candidates.push_back(std::string(runtime) + "/tesmira");
  }
  candidates.push_back(platform::PrivateFolderPath());
  std::string reason = "no folder for the engine's control socket";
  for (const std::string& folder : candidates) {
    if (folder.empty() || folder.size() > 60) continue;
    const int fd = platform::OpenPrivateFolder(folder, &reason);
    if (fd < 0) continue;
    ::close(fd);
    return std::make_shared<ElevatedLauncher>(ElevationCommand(std::getenv("TESMIRA_ELEVATE")),
                                              folder, UserName());
  }
  *error = reason;
  return nullptr;
}

}  // namespace tunnel
