#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/process.h"
#include "platform/system.h"
#include "tunnel/engine_command.h"
#include "tunnel/engine_launcher.h"
#include "tunnel/scratch_dir.h"
#include "tunnel/stand_in_launcher.h"
#include "tunnel/tunnel_runner.h"

namespace {

using testing_support::ReadBytes;
using testing_support::ScratchDir;
using testing_support::WriteBytes;
namespace fs = std::filesystem;

// What the dialog would receive, in order: every signal recorded on the reader's own thread.
class RecordingEvents {
 public:
  explicit RecordingEvents(tunnel::TunnelSignals& source) {
    QObject::connect(&source, &tunnel::TunnelSignals::tunnelUp, [this] { Add("up"); });
    QObject::connect(&source, &tunnel::TunnelSignals::tunnelDown, [this] { Add("down"); });
    QObject::connect(&source, &tunnel::TunnelSignals::engineEnded,
                     [this](const std::string& reason) { Add("ended:" + reason); });
    QObject::connect(&source, &tunnel::TunnelSignals::messageBox,
                     [this](const std::string& text, const std::string& title) {
                       Add("box:" + text + "|" + title);
                     });
    QObject::connect(&source, &tunnel::TunnelSignals::waitCursor,
                     [this](bool begin) { Add(begin ? "cursor:begin" : "cursor:end"); });
  }

  std::vector<std::string> Events() {
    std::lock_guard lock(mutex_);
    return events_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    events_.clear();
  }
  // Waits until an event equal to `event` has arrived. The bound only keeps a broken build
  // from hanging; nothing is measured.
  void WaitFor(const std::string& event) {
    std::unique_lock lock(mutex_);
    const bool arrived = changed_.wait_for(lock, std::chrono::seconds(60), [&] {
      return std::find(events_.begin(), events_.end(), event) != events_.end();
    });
    ASSERT_TRUE(arrived) << "never received " << event;
  }

 private:
  void Add(std::string event) {
    {
      std::lock_guard lock(mutex_);
      events_.push_back(std::move(event));
    }
    changed_.notify_all();
  }
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> events_;
};

// Polls a condition that another process or thread makes true; bounded only against hangs.
void WaitUntil(const std::function<bool()>& condition) {
  for (int i = 0; i < 60000 && !condition(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_TRUE(condition());
}

class TunnelRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tunnel::SetLogPollIntervalForTesting(10);
    tunnel::SetEngineLauncher(std::make_shared<testing_support::StandInLauncher>(200));
    tunnel::connectionState = tunnel::ConnectionState::Idle;
  }
  void TearDown() override {
    tunnel::ShutdownTunnel();
    tunnel::SetThreadCreationFailsForTesting(false);
  }

  // Connect's part: the stand-in engine run with `steps` as its script.
  bool Start(const std::vector<std::string>& steps) {
    tunnel::enginePath = TESMIRA_STAND_IN_ENGINE;
    tunnel::engineArguments = "(scripted)";
    tunnel::engineArgumentVector = {TESMIRA_STAND_IN_ENGINE};
    tunnel::engineArgumentVector.insert(tunnel::engineArgumentVector.end(), steps.begin(),
                                        steps.end());
    return tunnel::CreateTunnelStarter(signals_);
  }

  std::string File(const char* name) const { return (dir_.Path() / name).string(); }

  static int Count(const std::vector<std::string>& events, const std::string& event) {
    return static_cast<int>(std::count(events.begin(), events.end(), event));
  }

  ScratchDir dir_;
  tunnel::TunnelSignals signals_;
  RecordingEvents events_{signals_};
};

TEST_F(TunnelRunnerTest, MarkerEmitsUpAndReaderEndsWithTheEngine) {
  ASSERT_TRUE(Start({"line:Mon Jan 1 Initialization Sequence Completed", "exit:0"}));
  // Nothing stops the engine: the reader must end by itself once it has ended.
  tunnel::JoinTunnelThreads();
  EXPECT_EQ(tunnel::connectionState.load(), tunnel::ConnectionState::Connecting);
  EXPECT_EQ(events_.Events(),
            (std::vector<std::string>{"cursor:begin", "up",
                                      "ended:Mon Jan 1 Initialization Sequence Completed",
                                      "cursor:end"}));
}

// The helper could not set the VPN's DNS: once connected the user hears of it, because names
// are now looked up outside the tunnel; it is no reason for the engine's end.
TEST_F(TunnelRunnerTest, DnsThatCouldNotBeSetIsToldOnceConnected) {
  // The marker twice, in one read or two: "up" may come again, the box only once.
  ASSERT_TRUE(
      Start({"line:tesmira-engine-helper: the VPN's DNS servers could not be set: "
             "resolvectl dns tun0 failed",
             "line:Initialization Sequence Completed", "line:Initialization Sequence Completed",
             "exit:0"}));
  tunnel::JoinTunnelThreads();
  const std::string box =
      "box:Connected, but the VPN's DNS servers could not be set: resolvectl dns tun0 failed|" +
      platform::ProgramTitle();
  std::vector<std::string> events = events_.Events();
  EXPECT_EQ(Count(events, box), 1) << testing::PrintToString(events);
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events[1], "up");
  EXPECT_EQ(events[2], box);
  // Not why the engine ended: its own last line is.
  EXPECT_EQ(events[events.size() - 2], "ended:Initialization Sequence Completed");
}

// An engine that gives up at once is reported as soon as it has ended, with its own words.
TEST_F(TunnelRunnerTest, EngineThatEndsUnaskedIsReportedWithItsReason) {
  ASSERT_TRUE(Start({"line:2026-12-10 03:00:00 OpenVPN 2.6.14 x86_64-pc-linux-gnu",
                     "line:2026-12-10 03:00:00 ERROR: Cannot open TUN/TAP dev /dev/net/tun: "
                     "Permission denied (errno=13)",
                     "line:2026-12-10 03:00:00 Exiting due to fatal error", "exit:1"}));
  tunnel::JoinTunnelThreads();
  EXPECT_EQ(events_.Events(),
            (std::vector<std::string>{
                "cursor:begin", "ended:Cannot open TUN/TAP dev /dev/net/tun: Permission denied",
                "cursor:end"}));
  EXPECT_FALSE(tunnel::StopEngine());
}

// Disconnect between Connect and the engine's start: the engine is ended as it comes up, not
// left running unwatched.
TEST_F(TunnelRunnerTest, StopBeforeTheEngineStartedEndsItAtOnce) {
  tunnel::enginePath = TESMIRA_STAND_IN_ENGINE;
  tunnel::engineArguments.clear();
  tunnel::engineArgumentVector = {"openvpn", "pidfile:" + File("pid"), "hold"};
  ASSERT_TRUE(tunnel::CreateTunnelStarter(signals_));
  // Called at once, this nearly always comes before the reader has started the engine.
  EXPECT_TRUE(tunnel::StopEngine());
  tunnel::JoinTunnelThreads();
  if (fs::exists(File("pid"))) {
    EXPECT_NE(::kill(std::stoi(ReadBytes(File("pid"))), 0), 0);
  }
  EXPECT_EQ(Count(events_.Events(), "up") + Count(events_.Events(), "down"), 0);
  EXPECT_FALSE(tunnel::StopEngine());
}

TEST_F(TunnelRunnerTest, MarkerSplitAcrossReadsIsFound) {
  const uint64_t before = tunnel::BytesReadForTesting();
  ASSERT_TRUE(Start(
      {"chunk:xx Initialization Seq", "waitfor:" + File("go"), "chunk:uence Completed", "hold"}));
  WaitUntil([&] { return tunnel::BytesReadForTesting() >= before + 21; });
  EXPECT_EQ(events_.Events(), (std::vector<std::string>{"cursor:begin"}));
  WriteBytes(File("go"), "");
  events_.WaitFor("up");
}

// Failures count only once connected, and every chunk read while connected repeats them;
// the first marker no longer counts then.
TEST_F(TunnelRunnerTest, StateRulesAndRepeatedDown) {
  ASSERT_TRUE(Start({"line:Auth username is empty", "line:Initialization Sequence Completed",
                     "waitfor:" + File("go1"), "line:chunk two", "waitfor:" + File("go2"),
                     "line:chunk three", "hold"}));
  events_.WaitFor("up");
  EXPECT_EQ(Count(events_.Events(), "down"), 0);

  tunnel::connectionState = tunnel::ConnectionState::Connected;  // the dialog's tunnel-up handler
  events_.Clear();
  WriteBytes(File("go1"), "");
  events_.WaitFor("down");
  events_.Clear();
  WriteBytes(File("go2"), "");
  events_.WaitFor("down");
  EXPECT_EQ(events_.Events(), (std::vector<std::string>{"down"}));
}

// An engine that says nothing costs nothing: the reader sleeps until it writes, ends or is
// asked to end, however short the interval a system without process descriptors would poll at.
TEST_F(TunnelRunnerTest, SilentEngineLeavesTheReaderAsleep) {
  ASSERT_TRUE(Start({"line:hello", "pidfile:" + File("pid"), "hold"}));
  WaitUntil([&] { return fs::exists(File("pid")); });
  WaitUntil([&] { return tunnel::BytesReadForTesting() > 0; });
  // Time for the reader to go to sleep after its read, even on a loaded machine.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const uint64_t before = tunnel::ReaderCyclesForTesting();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // 20 poll intervals
  EXPECT_EQ(tunnel::ReaderCyclesForTesting(), before);
  EXPECT_EQ(events_.Events(), (std::vector<std::string>{"cursor:begin"}));

  EXPECT_TRUE(tunnel::StopEngine());
  events_.WaitFor("cursor:end");
  tunnel::JoinTunnelThreads();
  EXPECT_EQ(events_.Events(), (std::vector<std::string>{"cursor:begin", "cursor:end"}));
}

// More output than the first version read in 64 cycles arrives in a few: each cycle takes all
// that is waiting.
TEST_F(TunnelRunnerTest, EachCycleDrainsAllWaitingOutput) {
  WriteBytes(File("script"), "");
  // One write of 256 KiB: the reader wakes while it is still under way and takes what the
  // pipe holds each time.
  const std::string bulk = "chunk:" + std::string(256 * 1024, 'a') + "\n";
  WriteBytes(File("script"), bulk + "line:Initialization Sequence Completed\nhold\n");
  ::setenv("TESMIRA_ENGINE_SCRIPT", File("script").c_str(), 1);
  tunnel::SetLogPollIntervalForTesting(50);
  const uint64_t before = tunnel::ReaderCyclesForTesting();
  ASSERT_TRUE(Start({}));
  events_.WaitFor("up");
  ::unsetenv("TESMIRA_ENGINE_SCRIPT");
  // 256 KiB: the pipe holds 64 KiB, so a handful of cycles; 4096 bytes a cycle needed 64.
  EXPECT_LT(tunnel::ReaderCyclesForTesting() - before, 32u);
}

// Nothing started: the attempt ends at once with the reason, not at the time-out.
TEST_F(TunnelRunnerTest, MissingEngineEndsTheAttemptWithCreateProcessError) {
  tunnel::enginePath = File("64bit/openvpn");
  tunnel::engineArguments = tunnel::EngineArguments(dir_.Folder());
  tunnel::engineArgumentVector = tunnel::EngineArgumentVector(tunnel::enginePath, dir_.Folder());
  ASSERT_TRUE(tunnel::CreateTunnelStarter(signals_));
  tunnel::JoinTunnelThreads();
  EXPECT_EQ(tunnel::ErrorReportText("CreateProcess", 2),
            "CreateProcess failed with error 2: No such file or directory");
  EXPECT_EQ(
      events_.Events(),
      (std::vector<std::string>{
          "cursor:begin", "ended:CreateProcess failed with error 2: No such file or directory",
          "cursor:end"}));
}

TEST_F(TunnelRunnerTest, PipeFailureShowsItsBox) {
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizers' runtime checks memory through a pipe of its own, which the lowered limit
  // below denies it too; the plain build runs this test.
  GTEST_SKIP() << "needs descriptors that the sanitizer runtime uses";
#endif
  // With no descriptor left below the limit, the pipe cannot be made.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  const int lowestFree = ::dup(0);
  ASSERT_GE(lowestFree, 0);
  ::close(lowestFree);
  rlimit low = saved;
  low.rlim_cur = static_cast<rlim_t>(lowestFree);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
  const bool started = Start({"line:unused"});
  tunnel::JoinTunnelThreads();
  setrlimit(RLIMIT_NOFILE, &saved);

  ASSERT_TRUE(started);
  EXPECT_EQ(events_.Events(),
            (std::vector<std::string>{
                "cursor:begin", "box:Error   on   create   pipe. |" + platform::ProgramTitle(),
                "cursor:end"}));
}

TEST_F(TunnelRunnerTest, ThreadCreationFailureIsReported) {
  tunnel::SetThreadCreationFailsForTesting(true);
  EXPECT_FALSE(Start({"line:Initialization Sequence Completed"}));
  tunnel::JoinTunnelThreads();
  EXPECT_TRUE(events_.Events().empty());
  EXPECT_EQ(tunnel::connectionState.load(), tunnel::ConnectionState::Idle);
}

// An engine that ignores SIGTERM is killed after the grace period; a process this program did
// not start as its engine is left alone.
TEST_F(TunnelRunnerTest, StopTerminatesThenKillsOnlyOurEngine) {
  platform::ChildProcess other;
  ASSERT_EQ(other.Spawn(TESMIRA_STAND_IN_ENGINE, {"openvpn", "hold"}, 2), 0);

  ASSERT_TRUE(Start({"trace:" + File("trace"), "ignore-term", "pidfile:" + File("pid"),
                     "line:Initialization Sequence Completed", "hold"}));
  events_.WaitFor("up");
  WaitUntil([&] { return fs::exists(File("pid")); });
  const pid_t engine = std::stoi(ReadBytes(File("pid")));

  tunnel::StopEngine();
  tunnel::JoinTunnelThreads();  // only a kill can end it
  EXPECT_EQ(ReadBytes(File("trace")), "TERM\n");
  EXPECT_NE(::kill(engine, 0), 0);

  EXPECT_FALSE(other.HasEnded());
  other.Signal(SIGKILL);
  WaitUntil([&] { return other.HasEnded(); });
}

TEST_F(TunnelRunnerTest, StopAfterTheEngineEndedDoesNothing) {
  ASSERT_TRUE(Start({"exit:3"}));
  tunnel::JoinTunnelThreads();
  EXPECT_FALSE(tunnel::StopEngine());
  EXPECT_EQ(events_.Events(), (std::vector<std::string>{"cursor:begin", "ended:", "cursor:end"}));
}

// An engine told to stop has nothing more to say: its last output emits nothing.
TEST_F(TunnelRunnerTest, StoppedEngineEmitsNothingMore) {
  ASSERT_TRUE(Start({"trace:" + File("trace"), "ignore-term", "pidfile:" + File("pid"),
                     "waitfor:" + File("go"), "line:Initialization Sequence Completed", "hold"}));
  WaitUntil([&] { return fs::exists(File("pid")); });
  tunnel::StopEngine();
  WaitUntil([&] { return fs::exists(File("trace")); });
  WriteBytes(File("go"), "");
  tunnel::JoinTunnelThreads();
  EXPECT_EQ(events_.Events(), (std::vector<std::string>{"cursor:begin", "cursor:end"}));
}

TEST_F(TunnelRunnerTest, ShutdownEndsEnginesAndJoinsEveryThread) {
  ASSERT_TRUE(Start({"ignore-term", "pidfile:" + File("pid1"), "hold"}));
  ASSERT_TRUE(Start({"pidfile:" + File("pid2"), "hold"}));
  WaitUntil([&] { return fs::exists(File("pid1")) && fs::exists(File("pid2")); });
  tunnel::ShutdownTunnel();
  for (const char* name : {"pid1", "pid2"}) {
    EXPECT_NE(::kill(std::stoi(ReadBytes(File(name))), 0), 0) << name;
  }
  EXPECT_EQ(Count(events_.Events(), "cursor:end"), 2);
}

// What Connect does: the engine at <program folder>/64bit/openvpn, started from the working
// directory with the files named where they were written, even with blanks in both folders.
TEST_F(TunnelRunnerTest, EngineGetsThePreparedArguments) {
  const std::string program = dir_.Folder() + "my program/";
  fs::create_directories(program + "64bit");
  fs::create_symlink(TESMIRA_STAND_IN_ENGINE, program + "64bit/openvpn");
  const std::string files = dir_.Folder() + "my files/";
  fs::create_directories(files);
  WriteBytes(File("script"), "argsfile:" + File("args") + "\n");
  ::setenv("TESMIRA_ENGINE_SCRIPT", File("script").c_str(), 1);

  tunnel::PrepareEngine(program, files, 1);
  ASSERT_TRUE(tunnel::CreateTunnelStarter(signals_));
  tunnel::JoinTunnelThreads();
  ::unsetenv("TESMIRA_ENGINE_SCRIPT");

  EXPECT_EQ(ReadBytes(File("args")), program + "/64bit/openvpn\n--config\n" + files +
                                         "Tesmira.clt\n--auth-user-pass\n" + files +
                                         "Tesmira.upw\n");
}

TEST(ElevationCommandTest, WordsOfTheVariableAndTheHelperAlone) {
  EXPECT_EQ(tunnel::ElevationCommand(nullptr), (std::vector<std::string>{"pkexec"}));
  EXPECT_EQ(tunnel::ElevationCommand("  "), (std::vector<std::string>{"pkexec"}));
  EXPECT_EQ(tunnel::ElevationCommand(" sudo  -n "), (std::vector<std::string>{"sudo", "-n"}));
  EXPECT_EQ(tunnel::HelperPathFor("/usr/lib/tesmira/"),
            "/usr/libexec/tesmira/tesmira-engine-helper");
  EXPECT_EQ(tunnel::HelperPathFor("/opt/my vpn/lib/tesmira/"),
            "/opt/my vpn/libexec/tesmira/tesmira-engine-helper");
  // Nothing of the engine's reaches the command: the helper takes no argument at all.
  tunnel::HelperLauncher launcher({"sudo", "-n"}, "/usr/libexec/tesmira/tesmira-engine-helper");
  EXPECT_EQ(launcher.CommandLine(),
            (std::vector<std::string>{"sudo", "-n", "/usr/libexec/tesmira/tesmira-engine-helper"}));
  EXPECT_EQ(tunnel::HelperLauncher({}, "/h").CommandLine(), (std::vector<std::string>{"/h"}));
}

// The helper's road with the stand-in engine in the helper's place ("env" as the elevation
// command): the request on its input, then "stop" and the end of its input.
class HelperRunnerTest : public TunnelRunnerTest {
 protected:
  void UseHelper(std::vector<std::string> command, const std::string& helper) {
    tunnel::SetEngineLauncher(
        std::make_shared<tunnel::HelperLauncher>(std::move(command), helper, 200));
  }
  bool StartHelper(const std::vector<std::string>& steps) {
    WriteBytes(File("script"), "");
    std::string script;
    for (const std::string& step : steps) script += step + "\n";
    WriteBytes(File("script"), script);
    ::setenv("TESMIRA_ENGINE_SCRIPT", File("script").c_str(), 1);
    tunnel::engineRequest = {"vpn.example", "1194", "alice", "s3cret word"};
    const bool started = Start({});
    return started;
  }
  void TearDown() override {
    ::unsetenv("TESMIRA_ENGINE_SCRIPT");
    TunnelRunnerTest::TearDown();
  }
};

TEST_F(HelperRunnerTest, SendsTheRequestThenStopsThroughTheInput) {
  UseHelper({"env"}, TESMIRA_STAND_IN_ENGINE);
  ASSERT_TRUE(
      StartHelper({"input:" + File("input"), "line:Initialization Sequence Completed", "hold"}));
  events_.WaitFor("up");
  EXPECT_TRUE(tunnel::StopEngine());
  tunnel::JoinTunnelThreads();
  EXPECT_EQ(ReadBytes(File("input")),
            "host=vpn.example\nport=1194\nuser=alice\npassword=s3cret word\nstop\n<EOF>");
  EXPECT_EQ(Count(events_.Events(), "ended:Initialization Sequence Completed"), 0);
}

// A request the helper would refuse is refused here, before anyone is asked for a password.
TEST_F(HelperRunnerTest, RequestTheHelperWouldRefuseEndsTheAttemptAtOnce) {
  UseHelper({"env"}, TESMIRA_STAND_IN_ENGINE);
  WriteBytes(File("script"), "pidfile:" + File("pid") + "\n");
  ::setenv("TESMIRA_ENGINE_SCRIPT", File("script").c_str(), 1);
  tunnel::engineRequest = {"10.0.0.1 1195\nplugin x.so", "1194", "alice", "pw"};
  ASSERT_TRUE(Start({}));
  tunnel::JoinTunnelThreads();
  EXPECT_EQ(events_.Events(),
            (std::vector<std::string>{
                "cursor:begin",
                "ended:tesmira-engine-helper: refused: the host is neither an IP address nor a "
                "DNS name",
                "cursor:end"}));
  EXPECT_FALSE(fs::exists(File("pid")));
}

// Elevation refused (no password for sudo -n, the prompt cancelled, no polkit agent): the attempt
// ends at once with the command's own words.
TEST_F(HelperRunnerTest, RefusedElevationIsReportedAtOnce) {
  UseHelper({"/bin/sh", "-c", "echo 'sudo: a password is required' >&2; exit 1", "sudo"},
            TESMIRA_STAND_IN_ENGINE);
  ASSERT_TRUE(StartHelper({"line:never printed"}));
  tunnel::JoinTunnelThreads();
  EXPECT_EQ(events_.Events(),
            (std::vector<std::string>{"cursor:begin", "ended:sudo: a password is required",
                                      "cursor:end"}));
}

// A helper that no longer listens and cannot be killed from here is left after two grace
// periods with a message, so that the program can still end.
TEST_F(HelperRunnerTest, HelperThatCannotBeStoppedIsLeftWithAMessage) {
  UseHelper({"env"}, TESMIRA_STAND_IN_ENGINE);
  ASSERT_TRUE(
      StartHelper({"ignore-term", "input:" + File("input"), "pidfile:" + File("pid"), "hold"}));
  WaitUntil([&] { return fs::exists(File("pid")); });
  const pid_t engine = std::stoi(ReadBytes(File("pid")));
  tunnel::StopEngine();
  tunnel::JoinTunnelThreads();
  EXPECT_EQ(::kill(engine, 0), 0);
  EXPECT_EQ(events_.Events().at(1), "box:The engine (process " + std::to_string(engine) +
                                        ") did not stop. It runs as root: end it as an "
                                        "administrator.|Error");
  ::kill(engine, SIGKILL);
}

}  // namespace
