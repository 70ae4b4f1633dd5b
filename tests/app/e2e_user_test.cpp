// The program run by an ordinary user: the GUI keeps the user's rights; only the engine helper
// runs as root, through "sudo -n" and a sudoers rule that names the helper alone (installed and
// removed by this test); the engine drops root once the tunnel is up; and every way the program
// ends (Disconnect, SIGTERM, SIGKILL) leaves no engine behind, and after the next start no files.

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
    ASSERT_TRUE(service_.Serve(
        dir_->Path(),
        "e2e.local|Here|Loopback|End to end|127.0.0.1|" + std::to_string(port) + ",\r\n",
        "alice s3cret word"))
        << service_.Error();
  }

  void TearDown() override {
    ::unlink(kSudoers.c_str());
    if (createdUser_) Shell("userdel " + kUser);
  }

  // The README's rule: the helper, with no arguments, and nothing else.
  void AllowSudo() {
    std::ofstream(kSudoers) << kUser << " ALL=(root) NOPASSWD: " << TESMIRA_HELPER << " \"\"\n";
    ::chmod(kSudoers.c_str(), 0440);
  }

  // The client as the user, from its folder, with sudo -n as the elevation command.
  void StartClient(const std::string& mode) {
    client_ = std::make_unique<testsupport::ChildProcess>();
    setenv("TESMIRA_SERVICE_URL", service_.BaseUrl().c_str(), 1);
    setenv("TESMIRA_ELEVATE", "sudo -n", 1);
    setenv("XDG_RUNTIME_DIR", (dir_->Path() / "run").c_str(), 1);
    std::string error;
    testsupport::ChildOptions options{
        {"/usr/bin/setpriv", "--reuid=" + std::to_string(uid_), "--regid=" + std::to_string(gid_),
         "--clear-groups", TESMIRA_USER_CLIENT, mode},
        dir_->Path()};
    // What the program's end does to the helper and the engine is the point: nothing else
    // ends them.
    options.endGroupWithChild = false;
    ASSERT_TRUE(client_->Start(options, &error)) << error;
    unsetenv("TESMIRA_ELEVATE");
    unsetenv("XDG_RUNTIME_DIR");
  }

  std::vector<testsupport::EngineProcess> Engines() const {
    return testsupport::EnginesBelow(client_->Pid());
  }

  // Once connected: the engine has dropped root, and its folder is root's, not the user's.
  std::vector<int> ExpectUnprivilegedEngine() {
    std::vector<int> pids;
    const auto engines = Engines();
    EXPECT_EQ(engines.size(), 1u);
    for (const testsupport::EngineProcess& engine : engines) {
      pids.push_back(engine.pid);
      EXPECT_NE(engine.uid, 0) << "the engine should have dropped root";
      struct stat info {};
      EXPECT_EQ(::stat(engine.folder.c_str(), &info), 0) << engine.folder;
      EXPECT_EQ(info.st_uid, 0u) << engine.folder;
      EXPECT_EQ(engine.folder.rfind("/run/tesmira/", 0), 0u) << engine.folder;
    }
    return pids;
  }

  static bool Gone(int pid) {
    const std::string stat = testsupport::ReadFileBytes("/proc/" + std::to_string(pid) + "/stat");
    return stat.empty() || stat.find(") Z") != std::string::npos;
  }

  void ExpectEnginesGone(const std::vector<int>& pids) {
    EXPECT_TRUE(Eventually(
        [&] { return std::all_of(pids.begin(), pids.end(), [](int pid) { return Gone(pid); }); },
        6s));
  }

  void ExpectNoFiles() {
    for (const char* name : {"Tesmira.clt", "Tesmira.tmp", "Tesmira.upw"}) {
      EXPECT_FALSE(fs::exists(dir_->Path() / name)) << name;
    }
  }

  std::unique_ptr<testsupport::TempDir> dir_;
  testsupport::OpenVpnServer server_;
  testsupport::RefService service_;
  std::unique_ptr<testsupport::ChildProcess> client_ =
      std::make_unique<testsupport::ChildProcess>();
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  bool createdUser_ = false;
};

TEST_F(OrdinaryUser, ConnectsThroughSudoAndDisconnectsLeavingNothing) {
  AllowSudo();
  ASSERT_NO_FATAL_FAILURE(StartClient("disconnect-later"));
  ASSERT_TRUE(client_->WaitForOutput("status:Connected.", 60s))
      << client_->Output() << server_.Log();
  const std::vector<int> engines = ExpectUnprivilegedEngine();
  ::kill(client_->Pid(), SIGUSR1);  // now press Disconnect
  const std::optional<int> status = client_->WaitExit(30s);
  ASSERT_TRUE(status.has_value()) << client_->Output();
  EXPECT_EQ(*status, 0) << client_->Output();
  EXPECT_NE(client_->Output().find("status:Disconnected."), std::string::npos);
  EXPECT_EQ(client_->Output().find("box:"), std::string::npos) << client_->Output();
  ExpectEnginesGone(engines);
  ExpectNoFiles();
}

// The program ended by a signal it can handle, or killed outright (a crash, the out-of-memory
// killer): the helper sees its input end and ends the engine; the next start removes the files
// the killed program could not.
TEST_F(OrdinaryUser, ProgramEndedOrKilledLeavesNoEngineAndTheNextStartNoFiles) {
  AllowSudo();
  for (const int signal : {SIGTERM, SIGKILL}) {
    SCOPED_TRACE(signal);
    ASSERT_NO_FATAL_FAILURE(StartClient("stay"));
    ASSERT_TRUE(client_->WaitForOutput("status:Connected.", 60s))
        << client_->Output() << server_.Log();
    const std::vector<int> engines = ExpectUnprivilegedEngine();
    ::kill(client_->Pid(), signal);  // the client alone, not its group
    ASSERT_TRUE(client_->WaitExit(30s).has_value()) << client_->Output();
    ExpectEnginesGone(engines);
    if (signal == SIGKILL) {
      EXPECT_TRUE(fs::exists(dir_->Path() / "Tesmira.upw"));
    }
    ASSERT_NO_FATAL_FAILURE(StartClient("start-only"));
    ASSERT_TRUE(client_->WaitExit(60s).has_value()) << client_->Output();
    ExpectNoFiles();
  }
}

TEST_F(OrdinaryUser, RefusedElevationEndsTheAttemptAtOnce) {
  ASSERT_NO_FATAL_FAILURE(StartClient("stay"));
  ASSERT_TRUE(client_->WaitForOutput("box:", 30s)) << client_->Output();
  EXPECT_NE(client_->Output().find("box:The connection failed: sudo: a password is required"),
            std::string::npos)
      << client_->Output();
  client_->Stop(SIGTERM);
  EXPECT_TRUE(Engines().empty());
  ExpectNoFiles();
}

// The sudo rule names the helper with no arguments: the engine itself, or the helper with an
// option, is refused by sudo; and the helper, run by this user with an option, starts nothing.
TEST_F(OrdinaryUser, TheRuleGivesTheHelperAloneAndNothingThroughIt) {
  AllowSudo();
  const std::string asUser = "/usr/bin/setpriv --reuid=" + std::to_string(uid_) +
                             " --regid=" + std::to_string(gid_) + " --clear-groups ";
  EXPECT_NE(Shell(asUser + "sudo -n /usr/sbin/openvpn --version").find("password is required"),
            std::string::npos);
  EXPECT_NE(Shell(asUser + "sudo -n " + TESMIRA_HELPER + " --config /root/x")
                .find("password is required"),
            std::string::npos);
  EXPECT_EQ(Shell(asUser + TESMIRA_HELPER + " x </dev/null"),
            "tesmira-engine-helper: refused: it takes no arguments\n");
}

}  // namespace
