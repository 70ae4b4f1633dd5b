#pragma once
// Window timers on a fake clock, for logic written against a timer source: tests set the clock
// forward and every tick that falls due on the way arrives, in time order, without waiting.

#include <map>

namespace testsupport {

struct FakeTimers {
  struct Timer {
    int period;
    long long due;
  };

  // Setting a running id restarts it with the new period, as a window timer does.
  void Set(int id, int milliseconds) { timers[id] = {milliseconds, now + milliseconds}; }
  void Kill(int id) { timers.erase(id); }

  // Moves the clock by `milliseconds`, calling `onTick(id)` for each tick due on the way; a
  // tick may set or kill timers, the next one due is looked up afresh.
  template <typename OnTick>
  void AdvanceClock(long long milliseconds, OnTick&& onTick) {
    const long long until = now + milliseconds;
    for (;;) {
      int next = 0;
      long long due = until + 1;
      for (const auto& [id, timer] : timers) {
        if (timer.due < due) {
          due = timer.due;
          next = id;
        }
      }
      if (next == 0) break;
      now = due;
      timers[next].due += timers[next].period;
      onTick(next);
    }
    now = until;
  }

  long long now = 0;
  std::map<int, Timer> timers;
};

}  // namespace testsupport
