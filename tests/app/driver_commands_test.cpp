#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/driver_commands.h"
#include "platform/message_box.h"
#include "platform/system.h"
#include "service/account.h"
#include "service/settings.h"
#include "tunnel/scratch_dir.h"

namespace {

using testing_support::ReadBytes;
using testing_support::ScratchDir;
using testing_support::WriteBytes;
using tunnel::DriverScript;
namespace fs = std::filesystem;

class DriverSetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetMessageBoxHandler([this](const platform::MessageBoxRequest& request) {
      boxes_.push_back(request.text + "|" + request.title);
      if (onBox_) onBox_();
    });
    driverInstalled = 0;
    accountName = "dana";
  }
  void TearDown() override { platform::SetMessageBoxHandler({}); }

  // The folder's tools: a stand-in tapinstall.exe that records how the script called it.
  tunnel::DriverSetupOptions Options(int is64) {
    const std::string tools = dir_.Folder() + (is64 ? "64bit/" : "32bit/");
    fs::create_directories(tools);
    WriteBytes(tools + "tapinstall.exe", "#!/bin/sh\necho \"$1\" > \"" + dir_.Folder() +
                                             "tool-ran.tmp\"\nmv \"" + dir_.Folder() +
                                             "tool-ran.tmp\" \"" + dir_.Folder() + "tool-ran\"\n");
    fs::permissions(tools + "tapinstall.exe", fs::perms::owner_all);
    return {dir_.Folder(), is64, [this](int ms) {
              waits_.push_back(ms);
              scriptPresentAtWait_.push_back(fs::exists(scriptName_));
            }};
  }

  ScratchDir dir_;
  std::vector<std::string> boxes_;
  std::function<void()> onBox_;
  std::vector<int> waits_;
  std::vector<bool> scriptPresentAtWait_;
  std::string scriptName_;
};

TEST_F(DriverSetupTest, InstallSavesTheFlagRunsTheScriptAndRemovesIt) {
  scriptName_ = "32bitInstall.bat";
  const tunnel::DriverSetupOptions options = Options(0);
  std::string scriptAtBox;
  std::string settingsAtBox;
  onBox_ = [&] {
    scriptAtBox = ReadBytes(scriptName_);
    settingsAtBox = ReadBytes(kSettingsFileName);
    // The shell runs the script in the background; the box waits for the user meanwhile.
    for (int i = 0; i < 60000 && !fs::exists(dir_.Folder() + "tool-ran"); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  };

  InstallDriver(nullptr, options);

  EXPECT_EQ(driverInstalled, 1);
  EXPECT_EQ(settingsAtBox, "1\tdana\r\n");
  EXPECT_EQ(scriptAtBox, tunnel::DriverScriptText(DriverScript::Install, 0, dir_.Folder()));
  EXPECT_EQ(ReadBytes(dir_.Folder() + "tool-ran"), "install\n");
  EXPECT_EQ(boxes_, (std::vector<std::string>{"Installing driver!|" + platform::ProgramTitle()}));
  EXPECT_EQ(waits_, (std::vector<int>{100, 1000, 1000}));
  EXPECT_EQ(scriptPresentAtWait_, (std::vector<bool>{true, false, false}));
  EXPECT_FALSE(fs::exists(scriptName_));
}

TEST_F(DriverSetupTest, Install64WaitsOnceMoreBeforeTheDeletions) {
  scriptName_ = "64bitInstall.bat";
  driverInstalled = 1;  // already set: the settings are written again all the same
  InstallDriver(nullptr, Options(1));
  EXPECT_EQ(ReadBytes(kSettingsFileName), "1\tdana\r\n");
  EXPECT_EQ(waits_, (std::vector<int>{1000, 100, 1000, 1000}));
  EXPECT_EQ(scriptPresentAtWait_, (std::vector<bool>{true, true, false, false}));
  EXPECT_FALSE(fs::exists(scriptName_));
}

TEST_F(DriverSetupTest, UninstallLeavesTheFlagAndTheSettings) {
  scriptName_ = "64bitUninstall.bat";
  std::string scriptAtBox;
  onBox_ = [&] { scriptAtBox = ReadBytes(scriptName_); };
  UninstallDriver(nullptr, Options(1));
  EXPECT_EQ(driverInstalled, 0);
  EXPECT_FALSE(fs::exists(kSettingsFileName));
  EXPECT_EQ(scriptAtBox, tunnel::DriverScriptText(DriverScript::Uninstall, 1, dir_.Folder()));
  EXPECT_EQ(boxes_,
            (std::vector<std::string>{"Uninstalling the driver!|" + platform::ProgramTitle()}));
  EXPECT_EQ(waits_, (std::vector<int>{100, 1000, 1000}));
  EXPECT_FALSE(fs::exists(scriptName_));
}

// A script that cannot be created does not stop the rest: the box is shown all the same.
TEST_F(DriverSetupTest, UnwritableScriptStillShowsTheBox) {
  scriptName_ = "32bitInstall.bat";
  fs::create_directory(scriptName_);
  InstallDriver(nullptr, Options(0));
  EXPECT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(driverInstalled, 1);
}

// A script of that name that this user cannot replace (another user's, in a shared folder) is
// someone else's program: it must not be run in our name. The user is played by "nobody".
TEST_F(DriverSetupTest, ScriptThatCouldNotBeWrittenIsNotRun) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  const std::string marker = dir_.Folder() + "planted-ran";
  WriteBytes("32bitUninstall.bat", "touch '" + marker + "'\n");
  chmod("32bitUninstall.bat", 0644);
  chmod(dir_.Folder().c_str(), 01777);
  const tunnel::DriverSetupOptions options{dir_.Folder(), 0, [](int) {}};
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
    UninstallDriver(nullptr, options);
    _exit(boxes_.size() == 1 ? 0 : 4);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  // The shell runs a script detached; give a wrongly run one the time to show itself.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_FALSE(fs::exists(marker));
  EXPECT_EQ(ReadBytes("32bitUninstall.bat"), "touch '" + marker + "'\n");
}

}  // namespace
