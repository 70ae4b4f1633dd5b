#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/connection_controller.h"
#include "support/fake_timers.h"

namespace {

using tunnel::ConnectionState;

// The dialog as the controller sees it, with window timers on a fake clock.
struct FakeView : public ControllerView, public testsupport::FakeTimers {
  void ShowStatusIcon(StatusIcon i) override { icon = i; }
  void SetStatusText(const std::string& t) override { text = t; }
  void EnableConnect(bool e) override { connectEnabled = e; }
  void EnableDisconnect(bool e) override { disconnectEnabled = e; }
  void ShowMessage(const std::string& m) override { messages.push_back(m); }
  std::optional<ServerAddress> FirstSelectedRow() override { return selected; }
  void SetTimer(int id, int ms) override { Set(id, ms); }
  void KillTimer(int id) override { Kill(id); }

  void Advance(long long ms, ConnectionController& controller) {
    AdvanceClock(ms, [&](int id) { controller.OnTimer(id); });
  }

  StatusIcon icon = StatusIcon::Disconnected;
  std::string text = "Disconnected.";
  bool connectEnabled = true, disconnectEnabled = false;
  std::vector<std::string> messages;
  std::optional<ServerAddress> selected = ServerAddress{"198.51.100.7", "1194"};
};

// The engine: the starter sets the state to connecting, as the real one does.
class FakeEngine : public ControllerEngine {
 public:
  explicit FakeEngine(std::atomic<ConnectionState>& state) : state_(state) {}
  std::string WriteProfileFiles(const ServerAddress& s) override {
    calls.push_back("write " + s.ip + " " + s.port);
    return writeError;
  }
  void PrepareEngineCommand() override { calls.push_back("command"); }
  bool CreateTunnelStarter() override {
    calls.push_back("starter");
    if (starterFails) return false;
    state_ = ConnectionState::Connecting;
    running = true;
    return true;
  }
  bool StopEngine() override {
    calls.push_back("stop");
    return std::exchange(running, false);
  }
  void DeleteProfileFiles(int attempts) override {
    calls.push_back("delete x" + std::to_string(attempts));
  }

  std::vector<std::string> calls;
  std::string writeError;
  bool starterFails = false;
  bool running = false;

 private:
  std::atomic<ConnectionState>& state_;
};

class Controller : public ::testing::Test {
 protected:
  void Connect() {
    controller_.Connect();
    engine_.calls.clear();
  }
  void ExpectIdleLook() {
    EXPECT_EQ(state_, ConnectionState::Idle);
    EXPECT_EQ(view_.icon, StatusIcon::Disconnected);
    EXPECT_EQ(view_.text, "Disconnected.");
    EXPECT_TRUE(view_.connectEnabled);
    EXPECT_FALSE(view_.disconnectEnabled);
  }

  std::atomic<ConnectionState> state_{ConnectionState::Idle};
  int32_t driver_ = 1;
  FakeView view_;
  FakeEngine engine_{state_};
  ConnectionController controller_{view_, engine_, state_, driver_};
};

// A file that cannot be written (a full disk, a folder gone read-only) ends Connect with its
// name before any engine is asked for.
TEST_F(Controller, ProfileFileThatCannotBeWrittenEndsConnectWithABox) {
  engine_.writeError = "Tesmira.clt could not be written: Permission denied";
  controller_.Connect();
  EXPECT_EQ(engine_.calls, (std::vector<std::string>{"write 198.51.100.7 1194", "delete x1"}));
  EXPECT_EQ(view_.messages,
            (std::vector<std::string>{"Tesmira.clt could not be written: Permission denied"}));
  EXPECT_TRUE(view_.timers.empty());
  ExpectIdleLook();
}

TEST_F(Controller, ConnectWritesTheFilesStartsTheEngineAndTheTimers) {
  controller_.Connect();
  EXPECT_EQ(engine_.calls,
            (std::vector<std::string>{"write 198.51.100.7 1194", "command", "starter"}));
  EXPECT_EQ(state_, ConnectionState::Connecting);
  EXPECT_EQ(view_.icon, StatusIcon::ConnectingB);
  EXPECT_EQ(view_.text, "Connecting.");
  EXPECT_FALSE(view_.connectEnabled);
  EXPECT_TRUE(view_.disconnectEnabled);
  EXPECT_EQ(view_.timers.at(1).period, 60000);
  EXPECT_EQ(view_.timers.at(2).period, 500);
  EXPECT_TRUE(view_.messages.empty());
}

TEST_F(Controller, ConnectRefusesWithoutDriverOrSelection) {
  driver_ = 0;
  view_.selected.reset();
  controller_.Connect();  // the driver check comes first
  driver_ = 1;
  controller_.Connect();
  EXPECT_EQ(view_.messages,
            (std::vector<std::string>{
                "Please install driver firstly by clicking the button \"Install the driver\"",
                "Please select a row"}));
  EXPECT_TRUE(engine_.calls.empty());
  EXPECT_TRUE(view_.timers.empty());
  ExpectIdleLook();
}

TEST_F(Controller, AnimationCyclesOneToSixDotsWithAlternatingIcons) {
  Connect();
  std::vector<std::string> texts;
  std::vector<StatusIcon> icons;
  for (int tick = 0; tick < 7; ++tick) {
    view_.Advance(500, controller_);
    texts.push_back(view_.text);
    icons.push_back(view_.icon);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"Connecting..", "Connecting...", "Connecting....",
                                             "Connecting.....", "Connecting......", "Connecting.",
                                             "Connecting.."}));
  using enum StatusIcon;
  EXPECT_EQ(icons, (std::vector<StatusIcon>{ConnectingA, ConnectingB, ConnectingA, ConnectingB,
                                            ConnectingA, ConnectingB, ConnectingA}));
}

TEST_F(Controller, TimesOutAtSixtySecondsNotBefore) {
  Connect();
  view_.Advance(59999, controller_);
  EXPECT_EQ(state_, ConnectionState::Connecting);
  EXPECT_TRUE(view_.messages.empty());
  view_.Advance(1, controller_);
  ExpectIdleLook();
  EXPECT_EQ(view_.messages, (std::vector<std::string>{"TimeOut!"}));
  EXPECT_EQ(engine_.calls.front(), "delete x3");
  EXPECT_EQ(view_.timers.count(1), 0u);
  view_.Advance(500, controller_);  // the animation stops itself at its next tick
  EXPECT_TRUE(view_.timers.empty());
}

TEST_F(Controller, TunnelUpAtFiftyNineSecondsSurvivesTheTimeOut) {
  Connect();
  view_.Advance(59000, controller_);
  controller_.OnTunnelUp();
  EXPECT_EQ(state_, ConnectionState::Connected);
  EXPECT_EQ(view_.icon, StatusIcon::Connected);
  EXPECT_EQ(view_.text, "Connected.");
  controller_.OnTunnelUp();  // a repeated message changes nothing
  view_.Advance(5000, controller_);
  EXPECT_EQ(state_, ConnectionState::Connected);
  EXPECT_EQ(view_.text, "Connected.");
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_TRUE(view_.timers.empty());  // both stopped themselves
}

TEST_F(Controller, TunnelDownDisconnectsOnceWhileConnected) {
  Connect();
  controller_.OnTunnelDown();  // still connecting: a failure marker means nothing yet
  EXPECT_EQ(state_, ConnectionState::Connecting);
  controller_.OnTunnelUp();
  controller_.OnTunnelDown();
  ExpectIdleLook();
  controller_.OnTunnelDown();  // a second one already queued belongs to the ended tunnel
  EXPECT_EQ(view_.messages, (std::vector<std::string>{"Disconnected"}));
}

// Events queued before Disconnect or the time-out ran belong to the attempt that ended.
TEST_F(Controller, StaleTunnelUpDoesNotReviveAnEndedAttempt) {
  Connect();
  controller_.Disconnect();
  controller_.OnTunnelUp();
  ExpectIdleLook();
  Connect();
  view_.Advance(60000, controller_);
  controller_.OnTunnelUp();
  ExpectIdleLook();
  EXPECT_EQ(view_.messages, (std::vector<std::string>{"TimeOut!"}));
}

struct EngineEndedCase {
  const char* name;
  int stateBefore;  // 0 idle, 1 connecting, 2 connected
  std::vector<std::string> messages;
};

void PrintTo(const EngineEndedCase& c, std::ostream* os) { *os << c.name; }

class ControllerEngineEnded : public Controller,
                              public ::testing::WithParamInterface<EngineEndedCase> {};

// An engine that ends on its own ends the attempt at once; while connected it is a tunnel-down.
TEST_P(ControllerEngineEnded, EndsTheAttemptWithOneBox) {
  const EngineEndedCase& c = GetParam();
  if (c.stateBefore >= 1) Connect();
  if (c.stateBefore == 2) controller_.OnTunnelUp();
  controller_.OnEngineEnded("AUTH_FAILED");
  ExpectIdleLook();
  EXPECT_EQ(view_.messages, c.messages);
  view_.Advance(60000, controller_);  // no time-out follows
  EXPECT_EQ(view_.messages, c.messages);
}

INSTANTIATE_TEST_SUITE_P(
    States, ControllerEngineEnded,
    ::testing::Values(EngineEndedCase{"Idle", 0, {}},
                      EngineEndedCase{"Connecting", 1, {"The connection failed: AUTH_FAILED"}},
                      EngineEndedCase{"Connected", 2, {"Disconnected"}}),
    [](const auto& info) { return info.param.name; });

TEST(EngineEndedText, SaysSoWhenTheEngineGaveNoReason) {
  EXPECT_EQ(EngineEndedText(""), "The connection failed: the engine ended without saying why.");
}

// Disconnect returns with the dialog idle at once; the later deletions come from a timer, on
// the clock, while the dialog goes on.
TEST_F(Controller, DisconnectDeletesStopsThenDeletesThreeTimesMore) {
  Connect();
  controller_.Disconnect();
  EXPECT_EQ(engine_.calls, (std::vector<std::string>{"delete x3", "stop"}));
  ExpectIdleLook();
  EXPECT_EQ(view_.timers.at(kCleanupTimer).period, 100);
  std::vector<size_t> deletionsAt;  // later deletions done after each millisecond
  for (int ms = 1; ms <= 400; ++ms) {
    view_.Advance(1, controller_);
    if (ms % 100 == 99 || ms % 100 == 0) deletionsAt.push_back(engine_.calls.size() - 2);
  }
  EXPECT_EQ(deletionsAt, (std::vector<size_t>{0, 1, 1, 2, 2, 3, 3, 3}));
  EXPECT_EQ(engine_.calls,
            (std::vector<std::string>{"delete x3", "stop", "delete x1", "delete x1", "delete x1"}));
  EXPECT_EQ(view_.timers.count(kCleanupTimer), 0u);
  ExpectIdleLook();
}

// The new attempt's files are not the old attempt's to delete.
TEST_F(Controller, ConnectBeforeTheLastDeletionCancelsTheRest) {
  Connect();
  controller_.Disconnect();
  view_.Advance(150, controller_);
  engine_.calls.clear();
  controller_.Connect();
  EXPECT_EQ(engine_.calls,
            (std::vector<std::string>{"write 198.51.100.7 1194", "command", "starter"}));
  EXPECT_EQ(view_.timers.count(kCleanupTimer), 0u);
  view_.Advance(1000, controller_);
  EXPECT_EQ(engine_.calls,
            (std::vector<std::string>{"write 198.51.100.7 1194", "command", "starter"}));
  EXPECT_EQ(state_, ConnectionState::Connecting);
}

// A Connect refused for want of a row writes nothing, so the deletions go on.
TEST_F(Controller, RefusedConnectLeavesTheLaterDeletionsDue) {
  Connect();
  controller_.Disconnect();
  view_.selected.reset();
  engine_.calls.clear();
  controller_.Connect();
  view_.Advance(300, controller_);
  EXPECT_EQ(engine_.calls, (std::vector<std::string>{"delete x1", "delete x1", "delete x1"}));
}

// At the program's end, once the engine has ended, what is still due is done at once.
TEST_F(Controller, FinishingDoesTheDeletionsStillDue) {
  Connect();
  controller_.OnClose();
  view_.Advance(100, controller_);
  controller_.FinishLaterDeletions();
  EXPECT_EQ(engine_.calls,
            (std::vector<std::string>{"delete x3", "stop", "delete x1", "delete x1", "delete x1"}));
  EXPECT_EQ(view_.timers.count(kCleanupTimer), 0u);
  controller_.FinishLaterDeletions();  // nothing is due twice
  EXPECT_EQ(engine_.calls.size(), 5u);
}

TEST_F(Controller, ConnectAfterDisconnectRestartsTheTimeOut) {
  Connect();
  view_.Advance(40000, controller_);
  controller_.Disconnect();
  view_.Advance(10000, controller_);
  Connect();
  view_.Advance(59000, controller_);  // 109 s after the first Connect, 59 s after the second
  EXPECT_EQ(state_, ConnectionState::Connecting);
  EXPECT_TRUE(view_.messages.empty());
  view_.Advance(1000, controller_);
  EXPECT_EQ(view_.messages, (std::vector<std::string>{"TimeOut!"}));
}

TEST_F(Controller, StarterThatCannotBeCreatedLeavesTheStateIdle) {
  engine_.starterFails = true;
  controller_.Connect();
  EXPECT_EQ(view_.messages, (std::vector<std::string>{"Create thread failed"}));
  EXPECT_EQ(state_, ConnectionState::Idle);
  view_.Advance(500, controller_);  // the animation stops at once, leaving its first frame
  EXPECT_EQ(view_.text, "Connecting.");
  EXPECT_EQ(view_.icon, StatusIcon::ConnectingB);
  EXPECT_EQ(view_.timers.count(2), 0u);
  view_.Advance(60000, controller_);  // the time-out stops without a box
  EXPECT_EQ(view_.messages.size(), 1u);
  EXPECT_TRUE(view_.disconnectEnabled);
  controller_.Disconnect();
  ExpectIdleLook();
}

// With no engine to wait for, closing does not pause.
TEST_F(Controller, CloseDisconnectsEvenWhenIdle) {
  controller_.OnClose();
  EXPECT_EQ(engine_.calls, (std::vector<std::string>{"delete x3", "stop"}));
  ExpectIdleLook();
}

}  // namespace
