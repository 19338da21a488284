// The one-second tick: the order of its work and its count-downs, recorded
// through the window hooks over runs of ticks.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "calls/active_call.h"
#include "calls/callerlist.h"
#include "shell/main_timer.h"
#include "shell/status.h"
#include "support/window_recorders.h"

namespace {

std::vector<std::string> g_events;
bool g_open[kPopupSlots];

void Note(const std::string &event) { g_events.push_back(event); }

const MainTickHooks kHooks = {
    [] { Note("icon"); },
    [](int v) { Note("splash " + std::to_string(v)); },
    [] { Note("close splash"); },
    [](int slot) { return g_open[slot] ? 1 : 0; },
    [] { Note("ring"); },
    [](int slot) {
      // What the window sees when it is told to close: the call already
      // logged and finished.
      const CallerRecord &last = CallerLog[CallListEnd > 0 ? CallListEnd - 1 : 0];
      Note("close popup " + std::to_string(slot) + ": " + last.action + ", callId " +
           std::to_string(Caller[slot].callId) + ", session " +
           std::to_string(Caller[slot].sessionId));
      g_open[slot] = false;  // the close message destroys the pop-up
    },
    [] { Note("led"); },
    [](int v) { Note("watchdog " + std::to_string(v)); },
    [] { Note("network"); },
    [] { Note("login change"); },
    [] { Note("protocol"); },
};

class MainTimer : public ::testing::Test {
 protected:
  void SetUp() override {
    MainTimerReset();
    StatusReset();
    CallerListReset();
    nuvtest::ResetWindowRecorders();
    std::memset(Caller, 0, sizeof Caller);
    for (bool &open : g_open) open = false;
    g_events.clear();
  }
  void TearDown() override {
    MainTimerReset();
    StatusReset();
    CallerListReset();
  }

  // Events of one tick.
  static std::vector<std::string> Tick() {
    g_events.clear();
    MainTick(kHooks);
    return g_events;
  }
  // The ticks (counted from 1) of a run on which `event` happened, with how
  // often it happened on each.
  static std::vector<int> TicksWith(const std::string &event, int ticks) {
    std::vector<int> seen;
    for (int t = 1; t <= ticks; ++t)
      for (const std::string &e : Tick())
        if (e == event) seen.push_back(t);
    return seen;
  }
  static void OpenPopup(int slot, std::int32_t countDown) {
    g_open[slot] = true;
    TimerCountDown[slot] = countDown;
    PhoneTime = 1;
  }
};

TEST_F(MainTimer, WorkOfATickInOrder) {
  SplashTimer = 3;
  OpenPopup(0, 0);
  const std::vector<std::string> first = {"icon", "splash 2", "ring", "led", "watchdog 0",
                                          "network", "login change", "protocol"};
  EXPECT_EQ(first, Tick());
  const std::vector<std::string> second = {"icon", "splash 1", "led", "watchdog 3", "protocol"};
  EXPECT_EQ(second, Tick());
}

TEST_F(MainTimer, BlinkPhaseFlipsEveryTick) {
  std::vector<int> phases;
  for (int t = 0; t < 4; ++t) {
    Tick();
    phases.push_back(GetLEDState());
  }
  EXPECT_EQ((std::vector<int>{0, 1, 0, 1}), phases);
}

TEST_F(MainTimer, SplashClosesOnTheThirdTick) {
  SplashTimer = 3;
  EXPECT_EQ((std::vector<int>{3}), TicksWith("close splash", 6));
  EXPECT_EQ(0, SplashTimer);
  SetUp();
  SplashTimer = 3;
  std::vector<std::string> values;
  for (int t = 0; t < 5; ++t)
    for (const std::string &e : Tick())
      if (e.rfind("splash ", 0) == 0) values.push_back(e);
  EXPECT_EQ((std::vector<std::string>{"splash 2", "splash 1", "splash 0"}), values);
}

TEST_F(MainTimer, NetworkCheckedOnTheFirstTickThenEveryFourth) {
  EXPECT_EQ((std::vector<int>{1, 5, 9, 13}), TicksWith("network", 13));
  SetUp();
  EXPECT_EQ((std::vector<int>{1, 5, 9, 13}), TicksWith("login change", 13));
  SetUp();
  EXPECT_EQ(13u, TicksWith("led", 13).size());  // the light is redrawn every second
}

TEST_F(MainTimer, NewSettingsBringTheCheckToTheNextTick) {
  EXPECT_EQ((std::vector<int>{1}), TicksWith("network", 2));  // watchdog now 3
  SetNetWatchDogTimer(1);
  EXPECT_EQ((std::vector<int>{1, 5, 9}), TicksWith("network", 9));
}

TEST_F(MainTimer, RingFirstTickAfterAPopupOpensThenEveryThird) {
  const struct {
    std::vector<int> slots;
    std::vector<int> rings;
  } cases[] = {
      {{0}, {1, 4, 7, 10}},
      {{2}, {1, 4, 7, 10}},
      {{0, 1}, {1, 2, 4, 5, 7, 8, 10}},  // one counter run down twice a tick
      {{}, {}},
  };
  for (const auto &c : cases) {
    SetUp();
    for (int slot : c.slots) OpenPopup(slot, 0);
    if (c.slots.empty()) PhoneTime = 1;  // no pop-up: the counter stands still
    EXPECT_EQ(c.rings, TicksWith("ring", 10)) << c.slots.size() << " pop-ups";
  }
  EXPECT_EQ(1, PhoneTime);
}

TEST_F(MainTimer, UnansweredCallIsLoggedMissedAfterTwentyTicks) {
  std::snprintf(Caller[1].name, sizeof Caller[1].name, "%s", "Ann Example");
  std::snprintf(Caller[1].number, sizeof Caller[1].number, "%s", "(204) 555-1212");
  std::snprintf(Caller[1].time, sizeof Caller[1].time, "%s", "1999-03-15-1432");
  Caller[1].callId = 77;
  Caller[1].sessionId = 9;
  OpenPopup(1, 20);
  TimerCountDown[2] = 5;  // a slot without a window does not count down

  std::vector<std::string> closes;
  for (int t = 1; t <= 22; ++t)
    for (const std::string &e : Tick())
      if (e.rfind("close popup", 0) == 0) closes.push_back(std::to_string(t) + ": " + e);

  EXPECT_EQ((std::vector<std::string>{"20: close popup 1: Missed Call, callId -1, session 0"}),
            closes);
  ASSERT_EQ(1, CallListEnd);
  EXPECT_STREQ("Ann Example", CallerLog[0].name);
  EXPECT_STREQ("(204) 555-1212", CallerLog[0].number);
  EXPECT_STREQ("Missed Call", CallerLog[0].action);
  EXPECT_STREQ("Missed Call", nuvtest::Windows().lastEntry.action);  // shown in the main window
  EXPECT_EQ(0, TimerCountDown[1]);
  EXPECT_EQ(5, TimerCountDown[2]);
}

}  // namespace
