#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "app/openvpn_dlg.h"
#include "platform/message_box.h"
#include "support/openvpn/openvpn_fixture.h"
#include "support/refservice/refservice_fixture.h"

namespace {

namespace fs = std::filesystem;

// The engines this test's dialog started (through the helper).
std::vector<int> OurEngines() {
  std::vector<int> pids;
  for (const testsupport::EngineProcess& engine : testsupport::EnginesBelow(::getpid())) {
    pids.push_back(engine.pid);
  }
  return pids;
}

// Lets the dialog run until `done` holds or the deadline passes.
bool RunUntil(const std::function<bool()>& done, int milliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > milliseconds) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 50);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// The program against a real OpenVPN server on 127.0.0.1 that the reference service publishes,
// with the password the service hands out at start-up.
class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    TESMIRA_SKIP_UNLESS_OPENVPN_USABLE();
    workDir_ = std::make_unique<testsupport::ScopedWorkDir>("tesmira-e2e");
    dir_ = workDir_->Path();
    std::ofstream(dir_ / "tesm.tfg", std::ios::binary) << "1\talice\r\n";
    const int port = server_.Start("alice", "s3cret word");
    ASSERT_NE(port, 0) << server_.Error();
    ASSERT_TRUE(service_.Serve(dir_,
                               "192.0.2.1|Elsewhere|Nowhere|Decoy|192.0.2.1|1194,\r\n"
                               "e2e.local|Here|Loopback|End to end|127.0.0.1|" +
                                   std::to_string(port) + ",\r\n",
                               "alice s3cret word"))
        << service_.Error();
    setenv("TESMIRA_SERVICE_URL", service_.BaseUrl().c_str(), 1);
    platform::SetMessageBoxHandler(
        [this](const platform::MessageBoxRequest& box) { boxes_.push_back(box.text); });
    started_ = true;
  }
  void TearDown() override {
    if (!started_) return;
    platform::SetMessageBoxHandler({});
    unsetenv("TESMIRA_SERVICE_URL");
    workDir_.reset();
  }

  // Initialises the dialog, selects the loopback row and presses Connect.
  void ConnectThroughTheDialog(CopenvpnDlg& dialog) {
    dialog.RunInitialisation();
    ASSERT_EQ(dialog.serverList()->model()->rowCount(), 2);
    dialog.serverList()->selectRow(1);
    dialog.connectButton()->click();
    const bool connected =
        RunUntil([&] { return dialog.statusText()->text() == "Connected."; }, 60000);
    ASSERT_TRUE(connected) << "status: " << dialog.statusText()->text().toStdString()
                           << "\nserver log:\n"
                           << server_.Log();
  }

  std::unique_ptr<testsupport::ScopedWorkDir> workDir_;
  fs::path dir_;
  testsupport::OpenVpnServer server_;
  testsupport::RefService service_;
  std::vector<std::string> boxes_;
  bool started_ = false;
};

TEST_F(EndToEnd, ConnectsAndDisconnectsLeavingNothingBehind) {
  CopenvpnDlg dialog;
  ASSERT_NO_FATAL_FAILURE(ConnectThroughTheDialog(dialog));

  struct stat info {};
  ASSERT_EQ(stat("Tesmira.upw", &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(testsupport::ReadFileBytes("Tesmira.upw"), "alice\r\ns3cret word");
  const std::vector<int> engines = OurEngines();
  EXPECT_EQ(engines.size(), 1u);

  QElapsedTimer clock;
  clock.start();
  dialog.disconnectButton()->click();
  // Disconnect has returned with the dialog idle; a file the stopping engine may still have
  // had goes with the later deletions, which the dialog's own timer runs.
  EXPECT_EQ(dialog.statusText()->text(), QStringLiteral("Disconnected."));
  std::ofstream("Tesmira.clt") << "left behind";
  EXPECT_TRUE(RunUntil([] { return !fs::exists("Tesmira.clt"); }, 2000));
  const bool ended = RunUntil([&] { return OurEngines().empty(); }, 2000);
  EXPECT_TRUE(ended) << "the engine still runs " << clock.elapsed() << " ms after Disconnect";
  for (const char* name : {"Tesmira.clt", "Tesmira.tmp", "Tesmira.upw"}) {
    EXPECT_FALSE(fs::exists(name)) << name;
  }
  EXPECT_EQ(dialog.statusText()->text(), QStringLiteral("Disconnected."));
  EXPECT_TRUE(dialog.connectButton()->isEnabled());
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(EndToEnd, ServerGoingAwayIsReportedAsTunnelDown) {
  CopenvpnDlg dialog;
  ASSERT_NO_FATAL_FAILURE(ConnectThroughTheDialog(dialog));
  server_.StopWithNotify();
  const bool down = RunUntil([&] { return !boxes_.empty(); }, 20000);
  ASSERT_TRUE(down) << "status: " << dialog.statusText()->text().toStdString();
  EXPECT_EQ(boxes_.front(), "Disconnected");
  EXPECT_EQ(dialog.statusText()->text(), QStringLiteral("Disconnected."));
  EXPECT_TRUE(RunUntil([&] { return OurEngines().empty(); }, 2000));
  EXPECT_FALSE(fs::exists("Tesmira.upw"));
}

TEST_F(EndToEnd, ClosingTheDialogEndsTheEngine) {
  {
    CopenvpnDlg dialog;
    ASSERT_NO_FATAL_FAILURE(ConnectThroughTheDialog(dialog));
    dialog.close();
  }
  EXPECT_TRUE(RunUntil([&] { return OurEngines().empty(); }, 2000));
  EXPECT_FALSE(fs::exists("Tesmira.upw"));
}

// A wrong password: openvpn 2.6 is refused, says "AUTH_FAILED" and exits; the attempt ends
// at once with that reason instead of animating until the time-out.
TEST_F(EndToEnd, WrongPasswordEndsTheAttemptAtOnceWithTheEngineReason) {
  service_.Stop();
  std::ofstream(dir_ / "service.conf", std::ios::binary) << "account = alice not the password\n";
  ASSERT_TRUE(service_.Start(dir_ / "list.txt", dir_ / "service.conf")) << service_.Error();
  setenv("TESMIRA_SERVICE_URL", service_.BaseUrl().c_str(), 1);
  CopenvpnDlg dialog;
  dialog.RunInitialisation();
  dialog.serverList()->selectRow(1);
  dialog.connectButton()->click();
  ASSERT_TRUE(RunUntil([&] { return !boxes_.empty(); }, 30000))
      << "status: " << dialog.statusText()->text().toStdString();
  EXPECT_EQ(boxes_, (std::vector<std::string>{"The connection failed: AUTH_FAILED"}));
  EXPECT_EQ(dialog.statusText()->text(), QStringLiteral("Disconnected."));
  EXPECT_TRUE(OurEngines().empty());
  EXPECT_FALSE(fs::exists("Tesmira.upw"));
}

// The engine dies while the tunnel is up (here: killed): the dialog no longer says "Connected."
// but reports the tunnel down.
TEST_F(EndToEnd, EngineThatDiesWhileConnectedIsATunnelDown) {
  CopenvpnDlg dialog;
  ASSERT_NO_FATAL_FAILURE(ConnectThroughTheDialog(dialog));
  const std::vector<int> engines = OurEngines();
  ASSERT_EQ(engines.size(), 1u);
  ::kill(engines[0], SIGKILL);
  ASSERT_TRUE(RunUntil([&] { return !boxes_.empty(); }, 20000));
  EXPECT_EQ(boxes_, (std::vector<std::string>{"Disconnected"}));
  EXPECT_EQ(dialog.statusText()->text(), QStringLiteral("Disconnected."));
  EXPECT_FALSE(fs::exists("Tesmira.upw"));
}

}  // namespace
