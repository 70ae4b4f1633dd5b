// The engine helper as a hostile caller meets it: options and malformed requests are refused
// with nothing started; an accepted request gets the helper's own files and argument vector, and
// every way the caller goes (stop, the end of its input, SIGTERM) ends the engine. The helper
// runs from an install tree of its own, its engine the stand-in, as it would anywhere it is put.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "helper/helper_rules.h"
#include "support/refservice/child_process.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class HelperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::signal(SIGPIPE, SIG_IGN);
    tree_ = std::make_unique<testsupport::TempDir>("tesmira-helper");
    fs::create_directories(tree_->Path() / "libexec/tesmira");
    fs::create_directories(tree_->Path() / "lib/tesmira/64bit");
    fs::create_directories(tree_->Path() / "lib/tesmira/32bit");
    fs::copy_file(TESMIRA_HELPER, Helper());
    for (const char* variant : {"64bit", "32bit"}) {
      fs::create_symlink(TESMIRA_STAND_IN_ENGINE,
                         tree_->Path() / "lib/tesmira" / variant / "openvpn");
    }
  }

  fs::path Helper() const { return tree_->Path() / "libexec/tesmira/tesmira-engine-helper"; }
  fs::path File(const char* name) const { return tree_->Path() / name; }

  // What the stand-in engine does, wherever the helper finds it.
  void Script(const std::vector<std::string>& steps) {
    std::string text;
    for (const std::string& step : steps) text += step + "\n";
    for (const char* variant : {"64bit", "32bit"}) {
      std::ofstream(tree_->Path() / "lib/tesmira" / variant / "openvpn.script") << text;
    }
  }

  void Run(const std::vector<std::string>& arguments = {}) {
    std::vector<std::string> argv{Helper().string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::string error;
    ASSERT_TRUE(helper_.Start({argv, tree_->Path(), true, true}, &error)) << error;
  }

  static int ExitCode(const std::optional<int>& status) {
    return status && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
  }

  std::unique_ptr<testsupport::TempDir> tree_;
  testsupport::ChildProcess helper_;
};

const char kGoodRequest[] = "host=127.0.0.1\nport=1194\nuser=alice\npassword=s3cret word\n";

#define SKIP_UNLESS_ROOT() \
  if (::geteuid() != 0) GTEST_SKIP() << "the helper runs as root only"

TEST_F(HelperTest, AnyArgumentIsRefusedAndNothingStarts) {
  Script({"pidfile:" + File("pid").string()});
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"--config"}, {"-h"}, {""}, {"x", "y"}}) {
    testsupport::ChildProcess helper;
    std::vector<std::string> argv{Helper().string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::string error;
    ASSERT_TRUE(helper.Start({argv, tree_->Path(), true, true}, &error)) << error;
    helper.WriteInput(kGoodRequest);
    EXPECT_EQ(ExitCode(helper.WaitExit(30s)), 2);
    EXPECT_EQ(helper.Output(), "tesmira-engine-helper: refused: it takes no arguments\n");
  }
  EXPECT_FALSE(fs::exists(File("pid")));
}

struct HostileRequest {
  const char* name;
  std::string text;
  std::string reason;
};

void PrintTo(const HostileRequest& c, std::ostream* os) { *os << c.name; }

class HelperRefusalTest : public HelperTest,
                          public ::testing::WithParamInterface<HostileRequest> {};

TEST_P(HelperRefusalTest, RefusesAndStartsNothing) {
  SKIP_UNLESS_ROOT();
  Script({"pidfile:" + File("pid").string(), "hold"});
  ASSERT_NO_FATAL_FAILURE(Run());
  helper_.WriteInput(GetParam().text);
  EXPECT_EQ(ExitCode(helper_.WaitExit(30s)), 2);
  EXPECT_EQ(helper_.Output(), "tesmira-engine-helper: refused: " + GetParam().reason + "\n");
  EXPECT_FALSE(fs::exists(File("pid")));
}

INSTANTIATE_TEST_SUITE_P(
    Requests, HelperRefusalTest,
    ::testing::Values(
        HostileRequest{"directive_in_host", "host=10.0.0.1 1194\nport=1194\nuser=a\npassword=p\n",
                       "the host is neither an IP address nor a DNS name"},
        HostileRequest{"option_as_host", "host=--plugin\nport=1194\nuser=a\npassword=p\n",
                       "the host is neither an IP address nor a DNS name"},
        HostileRequest{"blank_in_port", "host=h.example\nport=1 2\nuser=a\npassword=p\n",
                       "the port is not a number from 1 to 65535"},
        HostileRequest{"extra_directive_line", std::string(kGoodRequest) + "plugin x.so\n",
                       "the request has more than four lines"},
        HostileRequest{"unknown_key", "host=h.example\nport=1\nuser=a\nconfig=/root/x\n",
                       "line 4 is not password=..."},
        HostileRequest{"cut_short", "host=h.example\nport=1\n",
                       "the request did not arrive within a second"}),
    [](const ::testing::TestParamInfo<HostileRequest>& info) { return info.param.name; });

// The engine gets the helper's folder and files, never the caller's: an argument vector of the
// helper's, the profile Connect writes, the CA, the credentials, all root's and owner-only.
TEST_F(HelperTest, AcceptedRequestRunsTheEngineOnTheHelpersOwnFiles) {
  SKIP_UNLESS_ROOT();
  Script({"argsfile:" + File("args").string(), "line:Initialization Sequence Completed",
          "waitfor:" + File("go").string()});
  ASSERT_NO_FATAL_FAILURE(Run());
  helper_.WriteInput(kGoodRequest);
  ASSERT_TRUE(helper_.WaitForOutput("Initialization Sequence Completed\n", 30s))
      << helper_.Output();
  const std::string args = testsupport::ReadFileBytes(File("args"));
  const size_t cd = args.find("\n--cd\n");
  ASSERT_NE(cd, std::string::npos) << args;
  const std::string folder = args.substr(cd + 6, args.find('\n', cd + 6) - cd - 6);
  EXPECT_EQ(folder.rfind(std::string(helper::kRunFolder) + "/attempt-", 0), 0u) << folder;
  EXPECT_EQ(args, (tree_->Path() / "lib/tesmira/64bit/openvpn").string() + "\n--cd\n" + folder +
                      "\n--config\n" + folder + "/Tesmira.clt\n--auth-user-pass\n" + folder +
                      "/Tesmira.upw\n--user\nnobody\n--group\nnogroup\n");
  struct stat info {};
  ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, 0u);
  EXPECT_EQ(info.st_mode & 07777, 0700u);
  EXPECT_EQ(testsupport::ReadFileBytes(folder + "/Tesmira.upw"), "alice\r\ns3cret word");
  const std::string profile = testsupport::ReadFileBytes(folder + "/Tesmira.clt");
  EXPECT_NE(profile.find("remote 127.0.0.1 1194\r\r\n"), std::string::npos);
  for (const char* name : {"Tesmira.clt", "Tesmira.tmp", "Tesmira.upw"}) {
    ASSERT_EQ(::lstat((folder + "/" + name).c_str(), &info), 0) << name;
    EXPECT_EQ(info.st_mode & 07777, 0600u) << name;
  }
  std::ofstream(File("go")) << "";
  EXPECT_EQ(ExitCode(helper_.WaitExit(30s)), 0);
  EXPECT_TRUE(helper_.Output().ends_with(
      "Initialization Sequence Completed\ntesmira-engine-helper: the engine ended with exit "
      "status 0\n"))
      << helper_.Output();
  EXPECT_FALSE(fs::exists(folder));
}

// However the caller goes, the engine goes: "stop", the end of its input (the program killed),
// SIGTERM to the helper; one that ignores SIGTERM is killed after the grace period.
TEST_F(HelperTest, EveryEndOfTheCallerEndsTheEngine) {
  SKIP_UNLESS_ROOT();
  struct Ending {
    const char* name;
    bool ignoreTerm;
    std::string lastLine;
  };
  for (const Ending& ending :
       {Ending{"stop", false, "the engine ended with exit status 143"},
        Ending{"eof", false, "the engine ended with exit status 143"},
        Ending{"sigterm", false, "the engine ended with exit status 143"},
        Ending{"stop", true, "the engine was ended by signal 9 (SIGKILL)"}}) {
    SCOPED_TRACE(ending.name);
    fs::remove(File("pid"));
    std::vector<std::string> steps{"pidfile:" + File("pid").string(), "line:up", "hold"};
    if (ending.ignoreTerm) steps.insert(steps.begin(), "ignore-term");
    Script(steps);
    testsupport::ChildProcess helper;
    std::string error;
    ASSERT_TRUE(helper.Start({{Helper().string()}, tree_->Path(), true, true}, &error)) << error;
    helper.WriteInput(kGoodRequest);
    ASSERT_TRUE(helper.WaitForOutput("up\n", 30s)) << helper.Output();
    const pid_t engine = std::stoi(testsupport::ReadFileBytes(File("pid")));
    if (std::string(ending.name) == "stop") helper.WriteInput("stop\n");
    if (std::string(ending.name) == "eof") helper.CloseInput();
    if (std::string(ending.name) == "sigterm") ::kill(helper.Pid(), SIGTERM);
    EXPECT_EQ(ExitCode(helper.WaitExit(30s)), 0) << helper.Output();
    EXPECT_NE(::kill(engine, 0), 0);
    EXPECT_TRUE(helper.Output().ends_with("tesmira-engine-helper: " + ending.lastLine + "\n"))
        << helper.Output();
  }
}

// Root never runs what someone else could have changed: an install tree others can write to
// is refused.
TEST_F(HelperTest, EngineInAFolderOthersCanChangeIsNotRun) {
  SKIP_UNLESS_ROOT();
  Script({"pidfile:" + File("pid").string()});
  fs::permissions(tree_->Path() / "lib/tesmira", fs::perms(0777));
  ASSERT_NO_FATAL_FAILURE(Run());
  helper_.WriteInput(kGoodRequest);
  EXPECT_EQ(ExitCode(helper_.WaitExit(30s)), 1);
  EXPECT_NE(helper_.Output().find("can be changed by others"), std::string::npos)
      << helper_.Output();
  EXPECT_FALSE(fs::exists(File("pid")));
}

TEST(HelperRules, WhereTheEngineIsAndHowItsEndIsSaid) {
  EXPECT_EQ(helper::EnginePathFor("/usr/libexec/tesmira/tesmira-engine-helper", 1),
            "/usr/lib/tesmira/64bit/openvpn");
  EXPECT_EQ(helper::EnginePathFor("/opt/t/libexec/tesmira/tesmira-engine-helper", 0),
            "/opt/t/lib/tesmira/32bit/openvpn");
  EXPECT_EQ(helper::EngineEndLine(3 << 8),
            "tesmira-engine-helper: the engine ended with exit status 3");
  EXPECT_EQ(helper::EngineEndLine(SIGKILL),
            "tesmira-engine-helper: the engine was ended by signal 9 (SIGKILL)");
  EXPECT_EQ(helper::UnsafePathReason("relative/openvpn"),
            "'relative/openvpn' is not an absolute path");
}

}  // namespace
