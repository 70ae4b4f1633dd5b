// The VPN's DNS for real, run by e2e_dns_test in a private mount namespace of its own, where a
// file bound over /etc/resolv.conf stands for the machine's: the server pushes its tunnel
// address as the DNS server and a search domain, and a DNS server there alone knows a test
// name. While connected the system's resolver finds that name; after Disconnect, and after the
// program is killed, it does not, and resolv.conf holds its bytes again.

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include <signal.h>
#include <sys/mount.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "app/openvpn_dlg.h"
#include "platform/message_box.h"
#include "support/openvpn/openvpn_fixture.h"
#include "support/refservice/refservice_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr char kName[] = "secret.tesmira.test";
constexpr char kAddress[] = "10.9.9.9";
// Nothing listens there, so a lookup the VPN does not answer fails at once, on loopback.
constexpr char kOriginal[] =
    "# the machine's own\nnameserver 127.0.0.77\noptions timeout:1 attempts:1\n";

std::string Lookup(const std::string& name) {
  std::string output;
  if (FILE* pipe = ::popen(("getent ahostsv4 " + name + " 2>/dev/null").c_str(), "r")) {
    char buffer[256];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    ::pclose(pipe);
  }
  return output;
}

bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > limit.count()) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 50);
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

class VpnDns : public ::testing::Test {
 protected:
  void SetUp() override {
    char ns[64] = "";
    ASSERT_GT(::readlink("/proc/self/ns/mnt", ns, sizeof ns - 1), 0);
    const char* outer = std::getenv("TESMIRA_DNS_OUTER_NS");
    ASSERT_TRUE(outer != nullptr && std::string(outer) != ns)
        << "runs only in a private mount namespace (e2e_dns_test starts it)";
    workDir_ = std::make_unique<testsupport::ScopedWorkDir>("tesmira-dns");
    dir_ = workDir_->Path();
    std::ofstream(dir_ / "resolv.conf", std::ios::binary) << kOriginal;
    ASSERT_EQ(
        ::mount((dir_ / "resolv.conf").c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr), 0);
    bound_ = true;
    // The helper's backups too stay in this namespace, never in the machine's folder.
    std::error_code ignored;
    fs::create_directories("/var/lib/tesmira", ignored);
    ASSERT_EQ(::mount("tmpfs", "/var/lib/tesmira", "tmpfs", 0, "mode=0700"), 0);
    privateBound_ = true;

    std::ofstream(dir_ / "tesm.tfg", std::ios::binary) << "1\talice\r\n";
    server_.ServeDns("tesmira.test", kName, kAddress);
    const int port = server_.Start("alice", "s3cret word");
    ASSERT_NE(port, 0) << server_.Error();
    ASSERT_TRUE(service_.Serve(
        dir_, "e2e.local|Here|Loopback|End to end|127.0.0.1|" + std::to_string(port) + ",\r\n",
        "alice s3cret word"))
        << service_.Error();
    setenv("TESMIRA_SERVICE_URL", service_.BaseUrl().c_str(), 1);
    platform::SetMessageBoxHandler(
        [this](const platform::MessageBoxRequest& box) { boxes_.push_back(box.text); });
  }
  void TearDown() override {
    platform::SetMessageBoxHandler({});
    if (bound_) ::umount2("/etc/resolv.conf", MNT_DETACH);
    if (privateBound_) ::umount2("/var/lib/tesmira", MNT_DETACH);
  }

  static std::string ResolvConf() { return testsupport::ReadFileBytes("/etc/resolv.conf"); }

  bool PutBack() {
    return RunUntil([] { return ResolvConf() == kOriginal; }, 6s);
  }

  std::unique_ptr<testsupport::ScopedWorkDir> workDir_;
  fs::path dir_;
  bool bound_ = false;
  bool privateBound_ = false;
  testsupport::OpenVpnServer server_;
  testsupport::RefService service_;
  std::vector<std::string> boxes_;
};

TEST_F(VpnDns, TheVpnsNamesResolveWhileConnectedAndNotAfterDisconnect) {
  ASSERT_EQ(Lookup(kName), "");
  {
    CopenvpnDlg dialog;
    dialog.RunInitialisation();
    dialog.serverList()->selectRow(0);
    dialog.connectButton()->click();
    ASSERT_TRUE(RunUntil([&] { return dialog.statusText()->text() == "Connected."; }, 60s))
        << dialog.statusText()->text().toStdString() << "\n"
        << server_.Log();
    EXPECT_TRUE(boxes_.empty()) << boxes_.front();
    const std::string conf = ResolvConf();
    EXPECT_NE(conf.find("nameserver " + server_.TunnelAddress() + "\n"), std::string::npos) << conf;
    EXPECT_NE(conf.find("search tesmira.test"), std::string::npos) << conf;
    EXPECT_NE(Lookup(kName).find(kAddress), std::string::npos);
    // The pushed search domain completes a short name.
    EXPECT_NE(Lookup("secret").find(kAddress), std::string::npos);

    dialog.disconnectButton()->click();
    EXPECT_TRUE(PutBack()) << ResolvConf();
  }
  EXPECT_EQ(Lookup(kName), "");
}

TEST_F(VpnDns, AKilledProgramLeavesNoVpnDnsBehind) {
  testsupport::ChildProcess client;
  std::string error;
  testsupport::ChildOptions options{{TESMIRA_USER_CLIENT, "stay"}, dir_};
  options.endGroupWithChild = false;  // what the helper does alone is the point
  ASSERT_TRUE(client.Start(options, &error)) << error;
  ASSERT_TRUE(client.WaitForOutput("status:Connected.", 60s)) << client.Output() << server_.Log();
  EXPECT_NE(Lookup(kName).find(kAddress), std::string::npos);
  ::kill(client.Pid(), SIGKILL);
  ASSERT_TRUE(client.WaitExit(30s).has_value());
  EXPECT_TRUE(PutBack()) << ResolvConf();
  EXPECT_EQ(Lookup(kName), "");
}

}  // namespace
