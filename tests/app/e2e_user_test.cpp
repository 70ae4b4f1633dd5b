// The program run by an ordinary user: the GUI keeps the user's rights, the engine is started as
// root through "sudo -n" (a sudoers rule this test installs and removes), and every way the
// attempt ends leaves no engine, no socket and no credentials file behind.

#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/openvpn/openvpn_fixture.h"
#include "support/refservice/refservice_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// CTest runs the cases side by side, each in a process of its own: each gets its own user and
// sudoers rule, so that one case's clean-up never takes them from another.
const std::string kUser = "tesmira-e2e-" + std::to_string(::getpid());
const std::string kSudoers = "/etc/sudoers.d/tesmira-e2e-" + std::to_string(::getpid());

std::string Shell(const std::string& command) {
  std::string output;
  if (FILE* pipe = ::popen((command + " 2>&1").c_str(), "r")) {
    char buffer[512];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    ::pclose(pipe);
  }
  return output;
}

// Engines whose command line names `needle`, with the user they run as.
std::vector<std::pair<int, int>> EnginesNaming(const std::string& needle) {
  std::vector<std::pair<int, int>> found;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string cmdline = testsupport::ReadFileBytes(entry.path() / "cmdline");
    std::replace(cmdline.begin(), cmdline.end(), '\0', ' ');
    if (cmdline.find("openvpn") == std::string::npos || cmdline.find(needle) == std::string::npos ||
        cmdline.find("sudo") != std::string::npos) {
      continue;
    }
    const std::string status = testsupport::ReadFileBytes(entry.path() / "status");
    if (status.find("State:\tZ") != std::string::npos) continue;
    const size_t uid = status.find("Uid:\t");
    found.emplace_back(std::stoi(name),
                       uid == std::string::npos ? -1 : std::stoi(status.substr(uid + 5)));
  }
  return found;
}

bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  for (auto waited = 0ms; waited < limit; waited += 20ms) {
    if (condition()) return true;
    std::this_thread::sleep_for(20ms);
  }
  return condition();
}

class OrdinaryUser : public ::testing::Test {
 protected:
  void SetUp() override {
    TESMIRA_SKIP_UNLESS_OPENVPN_USABLE();
    if (Shell("command -v sudo").empty()) GTEST_SKIP() << "sudo is not installed";
    if (Shell("command -v setpriv").empty()) GTEST_SKIP() << "setpriv is not installed";
    // useradd refuses while another one holds the password file's lock: try again.
    for (int i = 0; i < 20 && getpwnam(kUser.c_str()) == nullptr; ++i) {
      Shell("useradd --system --no-create-home --shell /usr/sbin/nologin " + kUser);
      createdUser_ = true;
      if (getpwnam(kUser.c_str()) == nullptr) std::this_thread::sleep_for(100ms);
    }
    const passwd* user = getpwnam(kUser.c_str());
    ASSERT_NE(user, nullptr) << "could not create the user " << kUser;
    uid_ = user->pw_uid;
    gid_ = user->pw_gid;

    dir_ = std::make_unique<testsupport::TempDir>("tesmira-user");
    ASSERT_EQ(::chmod(dir_->Path().c_str(), 0700), 0);
    fs::create_directory(dir_->Path() / "run");
    fs::permissions(dir_->Path() / "run", fs::perms::owner_all);
    std::ofstream(dir_->Path() / "tesm.tfg", std::ios::binary) << "1\talice\r\n";
    for (const auto& entry : fs::recursive_directory_iterator(dir_->Path())) {
      ASSERT_EQ(::chown(entry.path().c_str(), uid_, gid_), 0);
    }
    ASSERT_EQ(::chown(dir_->Path().c_str(), uid_, gid_), 0);

    const int port = server_.Start("alice", "s3cret word");
    ASSERT_NE(port, 0) << server_.Error();
    std::ofstream(dir_->Path() / "list.txt", std::ios::binary)
        << "e2e.local|Here|Loopback|End to end|127.0.0.1|" << port << ",\r\n";
    std::ofstream(dir_->Path() / "service.conf", std::ios::binary)
        << "account = alice s3cret word\n";
    ASSERT_TRUE(service_.Start(dir_->Path() / "list.txt", dir_->Path() / "service.conf"))
        << service_.Error();
  }

  void TearDown() override {
    ::unlink(kSudoers.c_str());
    if (createdUser_) Shell("userdel " + kUser);
  }

  void AllowSudo() {
    std::ofstream(kSudoers) << kUser << " ALL=(root) NOPASSWD: ALL\n";
    ::chmod(kSudoers.c_str(), 0440);
  }

  // The client as the user, from its folder, with sudo -n as the elevation command.
  void StartClient(const std::string& mode) {
    setenv("TESMIRA_SERVICE_URL", service_.BaseUrl().c_str(), 1);
    setenv("TESMIRA_ELEVATE", "sudo -n", 1);
    setenv("XDG_RUNTIME_DIR", (dir_->Path() / "run").c_str(), 1);
    std::string error;
    ASSERT_TRUE(client_.Start(
        {{"/usr/bin/setpriv", "--reuid=" + std::to_string(uid_), "--regid=" + std::to_string(gid_),
          "--clear-groups", TESMIRA_USER_CLIENT, mode},
         dir_->Path()},
        &error))
        << error;
    unsetenv("TESMIRA_ELEVATE");
    unsetenv("XDG_RUNTIME_DIR");
  }

  void ExpectNothingLeft() {
    EXPECT_TRUE(Eventually([&] { return EnginesNaming(dir_->Path().string()).empty(); }, 5s));
    for (const char* name : {"Tesmira.clt", "Tesmira.tmp", "Tesmira.upw"}) {
      EXPECT_FALSE(fs::exists(dir_->Path() / name)) << name;
    }
    for (const auto& entry : fs::recursive_directory_iterator(dir_->Path() / "run")) {
      EXPECT_NE(entry.path().extension(), ".sock") << entry.path();
    }
  }

  std::unique_ptr<testsupport::TempDir> dir_;
  testsupport::OpenVpnServer server_;
  testsupport::RefService service_;
  testsupport::ChildProcess client_;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  bool createdUser_ = false;
};

TEST_F(OrdinaryUser, ConnectsThroughSudoAndDisconnectsLeavingNothing) {
  AllowSudo();
  ASSERT_NO_FATAL_FAILURE(StartClient("disconnect"));
  ASSERT_TRUE(client_.WaitForOutput("status:Connected.", 60s)) << client_.Output() << server_.Log();
  const std::optional<int> status = client_.WaitExit(30s);
  ASSERT_TRUE(status.has_value()) << client_.Output();
  EXPECT_EQ(*status, 0) << client_.Output();
  EXPECT_NE(client_.Output().find("status:Disconnected."), std::string::npos);
  EXPECT_EQ(client_.Output().find("box:"), std::string::npos) << client_.Output();
  ExpectNothingLeft();
}

TEST_F(OrdinaryUser, EngineRunsAsRootAndTerminationWhileConnectingEndsIt) {
  AllowSudo();
  ASSERT_NO_FATAL_FAILURE(StartClient("stay"));
  ASSERT_TRUE(client_.WaitForOutput("status:Connecting.", 30s)) << client_.Output();
  ASSERT_TRUE(Eventually([&] { return !EnginesNaming(dir_->Path().string()).empty(); }, 30s))
      << client_.Output();
  const auto engines = EnginesNaming(dir_->Path().string());
  ASSERT_EQ(engines.size(), 1u);
  EXPECT_EQ(engines[0].second, 0) << "the engine should run as root";
  ::kill(client_.Pid(), SIGTERM);  // the client alone, not its group: the program must stop it
  const std::optional<int> status = client_.WaitExit(30s);
  ASSERT_TRUE(status.has_value()) << client_.Output();
  ExpectNothingLeft();
}

TEST_F(OrdinaryUser, RefusedElevationEndsTheAttemptAtOnce) {
  ASSERT_NO_FATAL_FAILURE(StartClient("stay"));
  ASSERT_TRUE(client_.WaitForOutput("box:", 30s)) << client_.Output();
  EXPECT_NE(client_.Output().find("box:The connection failed: sudo: a password is required"),
            std::string::npos)
      << client_.Output();
  client_.Stop(SIGTERM);
  ExpectNothingLeft();
}

}  // namespace
