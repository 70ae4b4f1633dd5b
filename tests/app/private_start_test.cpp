// The program as a desktop launcher starts it: its files go to the private folder, never to the
// folder it was started in, and a folder that cannot be made private stops it before it writes.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "support/refservice/refservice_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class PrivateStart : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(service_.Start(testsupport::RefService::SampleList(), {})) << service_.Error();
    setenv("TESMIRA_SERVICE_URL", service_.BaseUrl().c_str(), 1);
    setenv("TESMIRA_PRIVATE_DIR", "1", 1);
    setenv("XDG_STATE_HOME", state_.Path().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  void TearDown() override {
    for (const char* name : {"TESMIRA_SERVICE_URL", "TESMIRA_PRIVATE_DIR", "XDG_STATE_HOME"})
      unsetenv(name);
  }
  bool Start() {
    std::string error;
    const bool started = program_.Start({{TESMIRA_PROGRAM}, launchDir_.Path()}, &error);
    EXPECT_TRUE(started) << error;
    return started;
  }

  testsupport::RefService service_;
  testsupport::TempDir state_{"tesmira-state"};
  testsupport::TempDir launchDir_{"tesmira-launch"};
  testsupport::ChildProcess program_;
};

TEST_F(PrivateStart, FilesGoToThePrivateFolder) {
  ASSERT_TRUE(Start());
  for (int i = 0; i < 200 && service_.Requests().size() < 2; ++i) std::this_thread::sleep_for(50ms);
  ASSERT_EQ(service_.Requests().size(), 2u) << program_.Output();
  const int status = program_.Stop(SIGTERM, 10s);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << program_.Output();

  const fs::path folder = state_.Path() / "tesmira";
  EXPECT_TRUE(fs::exists(folder / "tesm.tfg"));
  struct stat info {};
  ASSERT_EQ(::stat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0700u);
  EXPECT_TRUE(fs::is_empty(launchDir_.Path()));
}

TEST_F(PrivateStart, AFolderThatCannotBePrivateStopsTheProgramFirst) {
  state_.Write("tesmira", "a file where the folder belongs");
  ASSERT_TRUE(Start());
  // The reason goes to standard error as well as into a message box, which waits for a user.
  EXPECT_TRUE(program_.WaitForOutput("tesmira: cannot open the folder", 30s)) << program_.Output();
  program_.Stop(SIGKILL);
  EXPECT_TRUE(service_.Requests().empty());
  EXPECT_TRUE(fs::is_empty(launchDir_.Path()));
}

}  // namespace
