// The tip's show and hide timing on a fake clock: a desk of tool windows at screen
// rectangles, a pointer, window timers that tick when the clock moves, and the tip window's
// paint arriving after a show as the window system's paint message would.

#include <gtest/gtest.h>

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "support/fake_timers.h"
#include "widgets/tooltip/rich_tip_timing.h"

using namespace tip;

namespace {

struct FakeDesk : public RichTipHost, public testsupport::FakeTimers {
  struct Window {
    std::unique_ptr<QWidget> widget;
    gdi::RECT screen;
    bool enabled = true;
  };
  struct Paint {
    long long at;
    int transparency;
    friend bool operator==(const Paint&, const Paint&) = default;
  };

  FakeDesk() : timing(*this) {}

  QWidget* AddWindow(gdi::RECT screen, bool enabled = true) {
    windows.push_back({std::make_unique<QWidget>(), screen, enabled});
    return windows.back().widget.get();
  }

  void SetTimer(int id, int ms) override { Set(id, ms); }
  void KillTimer(int id) override { Kill(id); }
  gdi::POINT GetCursorPos() override { return cursor; }
  bool IsTipVisible() override { return visible; }
  bool IsTipAt(gdi::POINT p) override { return visible && In(tipRect, p); }
  QWidget* ToolWindowAt(gdi::POINT p, bool* enabled) override {
    for (const Window& w : windows) {
      if (In(w.screen, p)) {
        *enabled = w.enabled;
        return w.widget.get();
      }
    }
    return nullptr;
  }
  gdi::POINT ToolClientPoint(QWidget* window, gdi::POINT p) override {
    for (const Window& w : windows) {
      if (w.widget.get() == window) return {p.x - w.screen.left, p.y - w.screen.top};
    }
    return p;
  }
  void LayOutAndShow(gdi::POINT p) override {
    if (timing.NextTool().text.empty()) return;
    visible = true;
    shown.push_back(timing.NextTool().text);
    shownAt.push_back(now);
    tipRect = {p.x, p.y - 40, p.x + 80, p.y};
    paintPending = true;
  }
  void PaintTip(int t) override { paints.push_back({now, t}); }
  void HideTip() override {
    visible = false;
    hiddenAt.push_back(now);
  }
  void MoveTipTo(gdi::POINT p) override { tipRect = {p.x, p.y, p.x + 80, p.y + 40}; }
  void ClickTip(gdi::POINT p) override { clicks.push_back(p); }
  bool StepAnimations() override { return animationFrames-- > 0; }
  bool HasAnimations() override { return animated; }

  // The window system's paint after a show.
  void DeliverPaint() {
    if (!paintPending) return;
    paintPending = false;
    paints.push_back({now, timing.OnPaint()});
  }

  void Move(int x, int y) {
    cursor = {x, y};
    timing.RelayMessage({WM_MOUSEMOVE, cursor});
    DeliverPaint();
  }
  void Send(gdi::UINT message) {
    timing.RelayMessage({message, cursor});
    DeliverPaint();
  }

  void Advance(long long ms) {
    AdvanceClock(ms, [&](int id) {
      timing.OnTimer(id);
      DeliverPaint();
    });
  }

  static bool In(const gdi::RECT& r, gdi::POINT p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
  }

  RichTipTiming timing;
  std::vector<Window> windows;
  gdi::POINT cursor{-100, -100};
  bool visible = false;
  bool paintPending = false;
  gdi::RECT tipRect;
  std::vector<std::string> shown;
  std::vector<long long> shownAt;
  std::vector<long long> hiddenAt;
  std::vector<Paint> paints;
  std::vector<gdi::POINT> clicks;
  int animationFrames = 0;
  bool animated = false;  // the shown text has an animated strip
};

// Two buttons side by side as in the main dialog: Connect enabled, Disconnect disabled.
class TimingTest : public testing::Test {
 protected:
  TimingTest() {
    connect_ = desk_.AddWindow({100, 300, 175, 360});
    disconnect_ = desk_.AddWindow({200, 300, 275, 360}, false);
    desk_.timing.AddTool(connect_, "Connect");
    desk_.timing.AddTool(disconnect_, "DisConnect");
  }

  FakeDesk desk_;
  QWidget* connect_;
  QWidget* disconnect_;
};

TEST_F(TimingTest, ShownHalfASecondAfterThePointerStopsAndHiddenFiveSecondsLater) {
  desk_.Move(120, 320);
  desk_.Advance(499);
  EXPECT_FALSE(desk_.visible);
  desk_.Advance(1);
  ASSERT_TRUE(desk_.visible);
  EXPECT_EQ(desk_.shown, std::vector<std::string>{"Connect"});
  EXPECT_EQ(desk_.timing.CurrentWindow(), connect_);
  EXPECT_EQ(desk_.timing.State(), STATE_SHOWN);
  desk_.Advance(4999);
  EXPECT_TRUE(desk_.visible);
  desk_.Advance(1);
  EXPECT_FALSE(desk_.visible);
  EXPECT_EQ(desk_.hiddenAt, std::vector<long long>{5500});
  EXPECT_EQ(desk_.timing.State(), STATE_HIDDEN);
  // The hide was by time: staying on the tool does not bring the tip back.
  desk_.Advance(10000);
  EXPECT_EQ(desk_.shown.size(), 1u);
}

TEST_F(TimingTest, EveryMoveInsideTheToolRestartsTheDelay) {
  for (int i = 0; i < 10; ++i) {
    desk_.Move(110 + i, 320);
    desk_.Advance(400);
  }
  EXPECT_FALSE(desk_.visible);
  desk_.Advance(100);
  EXPECT_TRUE(desk_.visible);
  EXPECT_EQ(desk_.shownAt, std::vector<long long>{4100});
}

TEST_F(TimingTest, AMoveInsideTheShownToolHidesItUntilThePointerLeavesAndReturns) {
  desk_.Move(120, 320);
  desk_.Advance(500);
  ASSERT_TRUE(desk_.visible);
  desk_.Move(121, 320);
  EXPECT_FALSE(desk_.visible);
  desk_.Move(125, 330);
  desk_.Advance(3000);
  EXPECT_FALSE(desk_.visible);
  desk_.Move(50, 50);  // out of every tool
  desk_.Advance(1000);
  EXPECT_FALSE(desk_.visible);
  desk_.Move(130, 330);
  desk_.Advance(500);
  EXPECT_TRUE(desk_.visible);
  EXPECT_EQ(desk_.shown.size(), 2u);
}

TEST_F(TimingTest, APointerThatMovedAwayBeforeTheDelayEndsShowsNothing) {
  desk_.Move(120, 320);
  desk_.cursor = {121, 320};  // moved without a relayed message reaching the tip
  desk_.Advance(1000);
  EXPECT_FALSE(desk_.visible);
}

TEST_F(TimingTest, KeysButtonPressesAndTheWheelHideAtOnceButtonReleasesDoNot) {
  struct Case {
    gdi::UINT message;
    bool hides;
  };
  const Case cases[] = {
      {WM_KEYDOWN, true},     {WM_SYSKEYDOWN, true},    {WM_LBUTTONDOWN, true},
      {WM_RBUTTONDOWN, true}, {WM_MBUTTONDOWN, true},   {WM_LBUTTONDBLCLK, true},
      {WM_MOUSEWHEEL, true},  {WM_NCLBUTTONDOWN, true}, {WM_NCRBUTTONDBLCLK, true},
      {WM_LBUTTONUP, false},  {WM_RBUTTONUP, false},    {WM_MBUTTONUP, false},
      {WM_KEYUP, false},      {WM_MOUSEHWHEEL, false},  {WM_NCMOUSEMOVE, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "message 0x" << std::hex << c.message);
    FakeDesk desk_;
    QWidget* button = desk_.AddWindow({100, 300, 175, 360});
    desk_.timing.AddTool(button, "Connect");
    desk_.Move(120, 320);
    desk_.Advance(500);
    ASSERT_TRUE(desk_.visible);
    desk_.Send(c.message);
    EXPECT_EQ(desk_.visible, !c.hides);
    EXPECT_EQ(desk_.timing.State(), c.hides ? STATE_HIDDEN : STATE_SHOWN);
    // A press during the delay cancels the show too.
    FakeDesk waiting;
    button = waiting.AddWindow({100, 300, 175, 360});
    waiting.timing.AddTool(button, "Connect");
    waiting.Move(120, 320);
    waiting.Advance(200);
    waiting.Send(c.message);
    waiting.Advance(1000);
    EXPECT_EQ(waiting.visible, !c.hides);
  }
}

TEST_F(TimingTest, SwitchingToAnotherApplicationHidesAtOnce) {
  desk_.Move(120, 320);
  desk_.Advance(500);
  desk_.timing.OnActivateApp(true);
  EXPECT_TRUE(desk_.visible);
  desk_.timing.OnActivateApp(false);
  EXPECT_FALSE(desk_.visible);
}

TEST_F(TimingTest, FadesInAndOutInStepsOfTwentyEveryFiftyMilliseconds) {
  desk_.timing.SetDelay(DELAY_FADE_IN, 50);
  desk_.timing.SetDelay(DELAY_FADE_OUT, 50);
  desk_.Move(120, 320);
  desk_.Advance(500);
  EXPECT_EQ(desk_.timing.State(), STATE_FADING_IN);
  desk_.Advance(250);
  EXPECT_EQ(desk_.timing.State(), STATE_SHOWN);
  const std::vector<FakeDesk::Paint> fadeIn{{500, 100}, {550, 80}, {600, 60},
                                            {650, 40},  {700, 20}, {750, 0}};
  EXPECT_EQ(desk_.paints, fadeIn);
  desk_.paints.clear();
  // The hide timer starts with the last step.
  desk_.Advance(4999);
  EXPECT_TRUE(desk_.paints.empty());
  desk_.Advance(1);
  EXPECT_EQ(desk_.timing.State(), STATE_FADING_OUT);
  desk_.Advance(250);
  const std::vector<FakeDesk::Paint> fadeOut{{5800, 20}, {5850, 40}, {5900, 60}, {5950, 80}};
  EXPECT_EQ(desk_.paints, fadeOut);
  EXPECT_EQ(desk_.hiddenAt, std::vector<long long>{6000});
  EXPECT_EQ(desk_.timing.State(), STATE_HIDDEN);
  EXPECT_TRUE(desk_.timers.count(TIMER_FADE_OUT) == 0);
}

TEST_F(TimingTest, AFadeInStopsAtTheToolsOwnTransparency) {
  desk_.timing.Defaults().transparency = 30;
  desk_.timing.SetDelay(DELAY_FADE_IN, 50);
  desk_.Move(120, 320);
  desk_.Advance(700);
  const std::vector<FakeDesk::Paint> fadeIn{{500, 100}, {550, 80}, {600, 60}, {650, 40}, {700, 30}};
  EXPECT_EQ(desk_.paints, fadeIn);
}

TEST_F(TimingTest, ATransparencyAbove100IsTakenAs100) {
  desk_.timing.Defaults().transparency = 200;
  desk_.Move(120, 320);
  desk_.Advance(500);
  EXPECT_EQ(desk_.timing.NextTool().transparency, 100);
  EXPECT_EQ(desk_.timing.Transparency(), 100);
}

TEST_F(TimingTest, TheDisabledDisconnectButtonShowsNoTip) {
  desk_.Move(220, 320);
  desk_.Advance(2000);
  EXPECT_FALSE(desk_.visible);
  EXPECT_TRUE(desk_.shown.empty());
  desk_.windows[1].enabled = true;
  desk_.Move(221, 320);
  desk_.Advance(500);
  EXPECT_EQ(desk_.shown, std::vector<std::string>{"DisConnect"});
}

TEST_F(TimingTest, MovingToAnotherToolWhileOneFadesOutShowsItAfterTheFade) {
  desk_.windows[1].enabled = true;
  desk_.timing.SetDelay(DELAY_FADE_OUT, 50);
  desk_.Move(120, 320);
  desk_.Advance(500);
  desk_.Move(220, 320);  // the next tool: the shown one begins to fade
  EXPECT_EQ(desk_.timing.State(), STATE_FADING_OUT);
  desk_.Advance(250);
  EXPECT_FALSE(desk_.visible);
  EXPECT_EQ(desk_.hiddenAt, std::vector<long long>{750});
  desk_.Advance(500);
  EXPECT_EQ(desk_.shown, (std::vector<std::string>{"Connect", "DisConnect"}));
  EXPECT_EQ(desk_.shownAt.back(), 1250);
}

TEST(RichTipTools, LookUpAndReplacement) {
  FakeDesk desk_;
  QWidget* panel = desk_.AddWindow({0, 0, 300, 200});
  QWidget* single = desk_.AddWindow({400, 0, 500, 100});
  desk_.timing.AddTool(single, "whole");
  desk_.timing.AddTool(panel, "left", gdi::RECT{0, 0, 100, 200}, 1);
  desk_.timing.AddTool(panel, "overlap", gdi::RECT{50, 0, 150, 200}, 2);
  desk_.timing.AddTool(panel, "everything");  // empty area: never matches among several
  desk_.timing.AddTool(panel, "left again", gdi::RECT{0, 0, 100, 200}, 3);

  const std::vector<ToolEntry>* tools = desk_.timing.ToolsOf(panel);
  ASSERT_NE(tools, nullptr);
  ASSERT_EQ(tools->size(), 3u);
  EXPECT_EQ((*tools)[0].text, "left again");
  EXPECT_EQ((*tools)[0].toolId, 3);

  struct Case {
    gdi::POINT at;
    QWidget* window;
    const char* text;
  };
  const Case cases[] = {
      {{10, 10}, panel, "left again"}, {{75, 10}, panel, "left again"},
      {{120, 10}, panel, "overlap"},   {{250, 10}, nullptr, ""},
      {{450, 50}, single, "whole"},    {{499, 99}, single, "whole"},
      {{350, 50}, nullptr, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.at.x << "," << c.at.y);
    ToolEntry entry;
    EXPECT_EQ(desk_.timing.FindToolAt(c.at, &entry, true), c.window);
    if (c.window) {
      EXPECT_EQ(entry.text, c.text);
    }
  }
  desk_.timing.RemoveAllTools();
  ToolEntry entry;
  EXPECT_EQ(desk_.timing.FindToolAt({10, 10}, &entry, true), nullptr);
}

TEST(RichTipTools, RectangleToolsOfOneWindowShowOneAfterTheOther) {
  FakeDesk desk_;
  QWidget* panel = desk_.AddWindow({0, 0, 300, 200});
  desk_.timing.AddTool(panel, "first", gdi::RECT{0, 0, 100, 200});
  desk_.timing.AddTool(panel, "second", gdi::RECT{100, 0, 200, 200});
  desk_.Move(50, 50);
  desk_.Advance(500);
  desk_.Move(150, 50);  // another area of the same window is another tool
  desk_.Advance(500);
  EXPECT_EQ(desk_.shown, (std::vector<std::string>{"first", "second"}));
}

// What a move inside the shown tool does, by the tool's behaviour.
TEST(RichTipBehaviour, AMoveInsideTheShownTool) {
  struct Case {
    gdi::DWORD behaviour;
    bool visibleAfterMove;
    long long hiddenByTimeAt;  // 0: not by time within the run
    int shows;
  };
  const Case cases[] = {
      {0, false, 0, 1},
      {BEHAVIOUR_FOLLOW_CURSOR, true, 5600, 1},  // the hide timer restarts at the move
      {BEHAVIOUR_MOVE_KEEPS, true, 5600, 1},
      {BEHAVIOUR_FORGET_ON_HIDE, false, 0, 2},  // shown again without leaving the tool
      {BEHAVIOUR_NO_TIMEOUT, false, 0, 1},
      {BEHAVIOUR_MOVE_KEEPS | BEHAVIOUR_NO_TIMEOUT, true, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "behaviour 0x" << std::hex << c.behaviour);
    FakeDesk desk_;
    QWidget* button = desk_.AddWindow({100, 300, 175, 360});
    desk_.timing.AddTool(button, "Connect");
    desk_.timing.Defaults().behaviourFlags = c.behaviour;
    desk_.Move(120, 330);
    desk_.Advance(500);
    desk_.Advance(100);
    desk_.Move(121, 330);
    EXPECT_EQ(desk_.visible, c.visibleAfterMove);
    desk_.Advance(20000);
    EXPECT_EQ(static_cast<int>(desk_.shown.size()), c.shows);
    if (c.hiddenByTimeAt) {
      EXPECT_EQ(desk_.hiddenAt, std::vector<long long>{c.hiddenByTimeAt});
    }
  }
}

TEST(RichTipBehaviour, NoTimeoutKeepsTheTipUntilThePointerMoves) {
  FakeDesk desk_;
  QWidget* button = desk_.AddWindow({100, 300, 175, 360});
  desk_.timing.AddTool(button, "Connect");
  desk_.timing.Defaults().behaviourFlags = BEHAVIOUR_NO_TIMEOUT;
  desk_.Move(120, 330);
  desk_.Advance(60000);
  EXPECT_TRUE(desk_.visible);
  EXPECT_EQ(desk_.timers.count(TIMER_HIDE), 0u);
}

TEST(RichTipBehaviour, ThePointerOverTheTipItself) {
  for (const gdi::DWORD behaviour :
       {gdi::DWORD{0}, BEHAVIOUR_OVER_TIP_KEEPS, BEHAVIOUR_FOLLOW_CURSOR}) {
    SCOPED_TRACE(testing::Message() << "behaviour 0x" << std::hex << behaviour);
    FakeDesk desk_;
    QWidget* button = desk_.AddWindow({100, 300, 175, 360});
    desk_.timing.AddTool(button, "Connect");
    desk_.timing.Defaults().behaviourFlags = behaviour;
    desk_.Move(120, 330);
    desk_.Advance(500);
    ASSERT_TRUE(desk_.visible);
    desk_.Move(130, 310);  // inside the tip (it lies above the pointer)
    EXPECT_EQ(desk_.visible, behaviour != 0);
    if (behaviour == BEHAVIOUR_FOLLOW_CURSOR) {
      EXPECT_EQ(desk_.tipRect.left, 130);  // it moved to the pointer
    }
  }
}

TEST(RichTipBehaviour, AClickOnTheTipRunsItsLinkAndHidesIt) {
  FakeDesk desk_;
  QWidget* button = desk_.AddWindow({100, 300, 175, 360});
  desk_.timing.AddTool(button, "Connect");
  desk_.timing.Defaults().behaviourFlags = BEHAVIOUR_OVER_TIP_KEEPS;
  desk_.Move(120, 330);
  desk_.Advance(500);
  desk_.Move(130, 310);
  desk_.Send(WM_LBUTTONDOWN);
  ASSERT_EQ(desk_.clicks.size(), 1u);
  EXPECT_EQ(desk_.clicks[0], (gdi::POINT{130, 310}));
  EXPECT_FALSE(desk_.visible);
}

TEST(RichTipBehaviour, AnimationRepaintsOnlyAShownTipWhoseFrameChanged) {
  FakeDesk desk_;
  QWidget* button = desk_.AddWindow({100, 300, 175, 360});
  desk_.timing.AddTool(button, "Connect");
  desk_.timing.SetDelay(DELAY_ANIMATION, 100);
  desk_.animated = true;
  desk_.animationFrames = 3;
  desk_.Advance(1000);  // hidden: the frames are not stepped
  EXPECT_EQ(desk_.animationFrames, 3);
  desk_.Move(120, 330);
  desk_.Advance(500);
  desk_.animationFrames = 3;
  desk_.paints.clear();
  desk_.Advance(1000);
  EXPECT_EQ(desk_.paints.size(), 3u);
  desk_.timing.SetDelay(DELAY_ANIMATION, 0);
  EXPECT_EQ(desk_.timers.count(TIMER_ANIMATION), 0u);
}

// An idle program wakes for nothing: the animation timer runs only while a shown tip has
// something to animate, and from the moment it shows.
TEST(RichTipBehaviour, TheAnimationTimerRunsOnlyWhileAShownTipHasSomethingToAnimate) {
  FakeDesk desk_;
  QWidget* button = desk_.AddWindow({100, 300, 175, 360});
  desk_.timing.AddTool(button, "Connect");
  const auto running = [&] { return desk_.timers.count(TIMER_ANIMATION) == 1; };
  desk_.timing.SetDelay(DELAY_ANIMATION, 100);
  EXPECT_FALSE(running());  // nothing shown
  desk_.Advance(10000);
  EXPECT_FALSE(running());

  // A still tip.
  desk_.Move(120, 330);
  desk_.Advance(500);
  ASSERT_TRUE(desk_.visible);
  EXPECT_FALSE(running());
  desk_.Send(WM_KEYDOWN);

  // An animated one: from its show to its hide by time.
  desk_.animated = true;
  desk_.Move(50, 50);
  desk_.Move(120, 330);
  desk_.Advance(499);
  EXPECT_FALSE(running());
  desk_.Advance(1);
  ASSERT_TRUE(desk_.visible);
  ASSERT_TRUE(running());
  EXPECT_EQ(desk_.timers[TIMER_ANIMATION].period, 100);
  EXPECT_EQ(desk_.timers[TIMER_ANIMATION].due, desk_.now + 100);  // counted from the show
  desk_.timing.SetDelay(DELAY_ANIMATION, 40);                     // a new period applies at once
  EXPECT_EQ(desk_.timers[TIMER_ANIMATION].period, 40);
  desk_.timing.SetDelay(DELAY_ANIMATION, 0);
  EXPECT_FALSE(running());
  desk_.timing.SetDelay(DELAY_ANIMATION, 100);
  EXPECT_TRUE(running());
  desk_.Advance(5000);
  EXPECT_FALSE(desk_.visible);
  EXPECT_FALSE(running());

  // Fading: it starts with the last fade-in step and stops when the fade-out begins.
  desk_.timing.SetDelay(DELAY_FADE_IN, 50);
  desk_.timing.SetDelay(DELAY_FADE_OUT, 50);
  desk_.Move(50, 50);
  desk_.Move(120, 330);
  desk_.Advance(500);
  EXPECT_EQ(desk_.timing.State(), STATE_FADING_IN);
  EXPECT_FALSE(running());
  desk_.Advance(250);
  EXPECT_EQ(desk_.timing.State(), STATE_SHOWN);
  EXPECT_TRUE(running());
  desk_.Move(121, 330);  // a move inside the shown tool begins hiding
  EXPECT_EQ(desk_.timing.State(), STATE_FADING_OUT);
  EXPECT_FALSE(running());
  desk_.Advance(1000);
  EXPECT_FALSE(desk_.visible);
  EXPECT_FALSE(running());

  // Switching to another application hides it, and the timer with it.
  desk_.timing.SetDelay(DELAY_FADE_IN, 0);
  desk_.Move(50, 50);
  desk_.Move(120, 330);
  desk_.Advance(500);
  EXPECT_TRUE(running());
  desk_.timing.OnActivateApp(false);
  EXPECT_FALSE(running());
}

TEST(RichTipBehaviour, AToolWithoutTextIsScheduledButShowsNothing) {
  FakeDesk desk_;
  QWidget* button = desk_.AddWindow({100, 300, 175, 360});
  desk_.timing.AddTool(button, "");
  desk_.Move(120, 330);
  desk_.Advance(500);
  EXPECT_FALSE(desk_.visible);
  EXPECT_TRUE(desk_.shown.empty());
}

}  // namespace
