#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTableView>

#include <sys/wait.h>

#include <filesystem>
#include <fstream>

#include "app/openvpn_dlg.h"
#include "platform/message_box.h"
#include "support/refservice/refservice_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Every way the program ends runs Disconnect first: a credentials file left in the working
// directory (as a running connection has it) is gone afterwards.
class ProgramEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(service_.Start(testsupport::RefService::SampleList(), {})) << service_.Error();
    setenv("TESMIRA_SERVICE_URL", service_.BaseUrl().c_str(), 1);
    dir_.Write("Tesmira.upw", "alice\r\nsecret", fs::perms(0600));
    platform::SetMessageBoxHandler([](const platform::MessageBoxRequest&) {});
  }
  void TearDown() override {
    platform::SetMessageBoxHandler({});
    unsetenv("TESMIRA_SERVICE_URL");
  }

  testsupport::RefService service_;
  testsupport::ScopedWorkDir workDir_{"tesmira-end"};
  const testsupport::TempDir& dir_ = workDir_.Dir();
};

TEST_F(ProgramEnd, EscapeAndEnterDisconnectBeforeTheDialogEnds) {
  for (int key : {Qt::Key_Escape, Qt::Key_Return}) {
    dir_.Write("Tesmira.upw", "alice\r\nsecret", fs::perms(0600));
    CopenvpnDlg dialog;
    bool ended = false;
    QObject::connect(&dialog, &QDialog::finished, [&] { ended = true; });
    dialog.RunInitialisation();
    dialog.serverList()->setFocus();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &press);
    EXPECT_TRUE(ended) << key;
    EXPECT_FALSE(fs::exists(dir_.Path() / "Tesmira.upw")) << key;
  }
}

TEST_F(ProgramEnd, TerminationSignalClosesTheProgramTheOrdinaryWay) {
  testsupport::ChildProcess program;
  std::string error;
  ASSERT_TRUE(program.Start({{TESMIRA_PROGRAM}, dir_.Path()}, &error)) << error;
  // The program has loaded its list once the service has answered the list request.
  for (int i = 0; i < 200 && service_.Requests().size() < 2; ++i) std::this_thread::sleep_for(50ms);
  ASSERT_EQ(service_.Requests().size(), 2u) << program.Output();
  const int status = program.Stop(SIGTERM, 10s);
  EXPECT_TRUE(WIFEXITED(status)) << "status " << status << "\n" << program.Output();
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_FALSE(fs::exists(dir_.Path() / "Tesmira.upw"));
  EXPECT_TRUE(fs::exists(dir_.Path() / "tesm.tfg"));
}

}  // namespace
