#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTableView>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <vector>

#include "app/openvpn_dlg.h"
#include "platform/message_box.h"
#include "service/account.h"
#include "support/refservice/refservice_fixture.h"

namespace {

namespace fs = std::filesystem;

// The dialog's initialisation against the reference service, configured per case; boxes are
// recorded instead of shown, and the settings file names the account "alice".
class StartupExchange : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(dir_ / "tesm.tfg", std::ios::binary) << "1\talice\r\n";
    tunnelPassword.clear();
    platform::SetMessageBoxHandler(
        [this](const platform::MessageBoxRequest& box) { boxes_.push_back(box); });
  }
  void TearDown() override {
    platform::SetMessageBoxHandler({});
    unsetenv("TESMIRA_SERVICE_URL");
  }

  // Starts the service with this config and runs the initialisation; true when the dialog
  // ended once the posted events were handled.
  bool RunWith(const std::string& config, const std::string& raw = {}) {
    std::ofstream(dir_ / "service.conf", std::ios::binary) << config;
    if (!raw.empty()) std::ofstream(dir_ / "raw.txt", std::ios::binary) << raw;
    EXPECT_TRUE(service_.Start(testsupport::RefService::SampleList(), dir_ / "service.conf"))
        << service_.Error();
    setenv("TESMIRA_SERVICE_URL", service_.BaseUrl().c_str(), 1);
    return Initialise();
  }

  bool Initialise() {
    CopenvpnDlg dialog;
    bool ended = false;
    QObject::connect(&dialog, &QDialog::finished, [&] { ended = true; });
    dialog.RunInitialisation();
    rows_ = dialog.serverList()->model()->rowCount();
    QApplication::processEvents();
    return ended;
  }

  testsupport::ScopedWorkDir workDir_{"tesmira-startup"};
  const fs::path& dir_ = workDir_.Path();
  testsupport::RefService service_;
  std::vector<platform::MessageBoxRequest> boxes_;
  int rows_ = 0;
};

TEST_F(StartupExchange, PasswordOnlyIsStoredAndShowsNothing) {
  EXPECT_FALSE(RunWith("account = alice s3cret pass\n"));
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(tunnelPassword, "s3cret pass");
  EXPECT_GT(rows_, 0);
}

TEST_F(StartupExchange, RequestBodyArrivesByteForByte) {
  RunWith("account = alice x\n");
  const auto requests = service_.Requests();
  ASSERT_GE(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].path, "/tesmira/start.php");
  EXPECT_EQ(requests[0].body, "Account=alice&Version=1.3.0.0");
  EXPECT_EQ(requests[1].path, "/ServerList.txt");
}

// A zero byte in the stored name used to cut the request there: the service saw no version,
// refused the request and the program closed.
TEST_F(StartupExchange, AccountNameEndsAtItsFirstZeroByte) {
  std::ofstream(dir_ / "tesm.tfg", std::ios::binary) << std::string("1\talice\0junk\r\n", 14);
  EXPECT_FALSE(RunWith("account = alice x\n"));
  const auto requests = service_.Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests[0].body, "Account=alice&Version=1.3.0.0");
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(tunnelPassword, "x");
}

TEST_F(StartupExchange, NoticeIsShownAndEndsTheProgramAfterTheListIsLoaded) {
  EXPECT_TRUE(
      RunWith("account = alice pw\ncaption = Service news\nnotice = Down <b>tonight</b>\n"));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, "Down <b>tonight</b>");
  EXPECT_EQ(boxes_[0].title, "Service news");
  EXPECT_EQ(boxes_[0].icon, platform::MessageIcon::None);
  EXPECT_EQ(tunnelPassword, "pw");  // stored before the program closes
  EXPECT_GT(rows_, 0);
}

TEST_F(StartupExchange, NoticeWithoutCaptionHasAnEmptyTitle) {
  EXPECT_TRUE(RunWith("notice = Hello\n"));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].title, "");
}

TEST_F(StartupExchange, EmptyPasswordPairGivesAnEmptyPassword) {
  tunnelPassword = "stale";
  EXPECT_FALSE(RunWith("account = alice\n"));
  EXPECT_EQ(tunnelPassword, "");
}

TEST_F(StartupExchange, NoticeStartWithoutEndShowsNothing) {
  EXPECT_FALSE(RunWith("answer = raw\nraw = raw.txt\n", "StatStartOKStatEndMsgStartHello"));
  EXPECT_TRUE(boxes_.empty());
}

struct FailureCase {
  const char* name;
  const char* config;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class StartupFailure : public StartupExchange, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(StartupFailure, SaysTheServerCannotBeReachedAndEnds) {
  EXPECT_TRUE(RunWith(GetParam().config));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, "Could not access server,please try again later.");
  EXPECT_EQ(boxes_[0].title, "test_dialog");
  EXPECT_EQ(tunnelPassword, "");
}

INSTANTIATE_TEST_SUITE_P(Answers, StartupFailure,
                         ::testing::Values(FailureCase{"NoStatusField",
                                                       "account = alice pw\nanswer = no-status\n"},
                                           FailureCase{"EmptyBody", "answer = empty\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StartupExchange, PasswordReachesTheCredentialsFileOnConnect) {
  std::ofstream(dir_ / "service.conf", std::ios::binary) << "account = alice tunnel pw\n";
  ASSERT_TRUE(service_.Start(testsupport::RefService::SampleList(), dir_ / "service.conf"));
  setenv("TESMIRA_SERVICE_URL", service_.BaseUrl().c_str(), 1);
  CopenvpnDlg dialog;
  dialog.RunInitialisation();
  dialog.serverList()->selectRow(0);
  dialog.connectButton()->click();
  EXPECT_EQ(testsupport::ReadFileBytes(dir_ / "Tesmira.upw"), "alice\r\ntunnel pw");
  dialog.disconnectButton()->click();
  EXPECT_FALSE(fs::exists(dir_ / "Tesmira.upw"));
}

TEST_F(StartupExchange, ServiceDownShowsBothBoxesThenEnds) {
  ASSERT_TRUE(service_.Start(testsupport::RefService::SampleList(), {})) << service_.Error();
  const std::string url = service_.BaseUrl();
  service_.Stop();
  setenv("TESMIRA_SERVICE_URL", url.c_str(), 1);
  EXPECT_TRUE(Initialise());
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[0].text, "Could not access server,please try again later.");
  EXPECT_EQ(boxes_[1].icon, platform::MessageIcon::Stop);  // the server list's own failure
  EXPECT_EQ(rows_, 0);
}

}  // namespace
