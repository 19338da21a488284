// The status light and the tray lamp: which picture the flags and the blink
// phase select.
#include <gtest/gtest.h>

#include <vector>

#include "shell/status.h"

namespace {

class Status : public ::testing::Test {
 protected:
  void SetUp() override { StatusReset(); }
  void TearDown() override { StatusReset(); }
  static void Flags(int loggedIn, int green, int blink) {
    LoggedIn = loggedIn;
    SetBlinkGreen(green);
    SetBlinkState(blink);
  }
};

TEST_F(Status, LightFollowsFlagsAndPhase) {
  struct Case {
    int state, green, blink;
    int lit, dark;  // picture in the lit and in the dark phase
  };
  const Case cases[] = {
      {1, 0, 0, kLedGreen, kLedGreen},  // logged in: steady green
      {1, 0, 1, kLedGreen, kLedGreen},  // the red blink never applies when logged in
      {1, 1, 0, kLedGreen, kLedDark},   // logged in, no call yet: blinking green
      {0, 1, 1, kLedGreen, kLedDark},   // the green blink wins even without login
      {0, 0, 1, kLedRed, kLedDark},     // network up, not logged in: blinking red
      {0, 0, 0, kLedRed, kLedRed},      // network down: steady red
      {2, 0, 0, 0, 0},                  // no other state draws anything
      {-1, 1, 1, 0, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(::testing::Message() << "state " << c.state << " green " << c.green
                                      << " blink " << c.blink);
    Flags(0, c.green, c.blink);
    LEDState = 1;
    EXPECT_EQ(c.lit, StatusLedPicture(c.state));
    LEDState = 0;
    EXPECT_EQ(c.dark, StatusLedPicture(c.state));
  }
}

TEST_F(Status, BlinkPhaseStartsLitAndFlips) {
  EXPECT_EQ(1, GetLEDState());
  FlipLEDState();
  EXPECT_EQ(0, GetLEDState());
  FlipLEDState();
  EXPECT_EQ(1, GetLEDState());
  LEDState = 7;  // anything but 1 counts as dark
  FlipLEDState();
  EXPECT_EQ(1, GetLEDState());
}

// Four seconds of the tray lamp from the dark lamp it starts with.
TEST_F(Status, TrayLampSequences) {
  struct Case {
    int loggedIn, green, blink;
    int start;
    std::vector<int> icons;
  };
  const Case cases[] = {
      {0, 0, 0, 2, {3001, 3001, 3001, 3001}},  // network down: steady red
      {0, 0, 1, 2, {3001, 3002, 3001, 3002}},  // not logged in: red blinks
      {0, 0, 1, 1, {3002, 3001, 3002, 3001}},
      {1, 1, 0, 2, {3000, 3002, 3000, 3002}},  // logged in, no call yet: green blinks
      {1, 1, 0, 0, {3002, 3000, 3002, 3000}},
      {0, 1, 1, 1, {3000, 3002, 3000, 3002}},  // green blink without login
      {1, 0, 0, 2, {3000, 3000, 3000, 3000}},  // after a call: steady green
      {1, 0, 1, 1, {3000, 3000, 3000, 3000}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(::testing::Message() << "logged in " << c.loggedIn << " green " << c.green
                                      << " blink " << c.blink << " from " << c.start);
    Flags(c.loggedIn, c.green, c.blink);
    NotifyIconNumber = c.start;
    std::vector<int> shown;
    for (size_t i = 0; i < c.icons.size(); ++i) shown.push_back(StepNotifyIcon());
    EXPECT_EQ(c.icons, shown);
  }
}

TEST_F(Status, TrayLampStartsDarkAndStopsBlinkingOnceACallClearsTheGreenBlink) {
  EXPECT_EQ(0, NotifyIconNumber);
  EXPECT_EQ(3002, NotifyIcon[2]);
  Flags(1, 1, 0);
  EXPECT_EQ(3002, StepNotifyIcon());
  SetBlinkGreen(0);  // a pop-up opened
  EXPECT_EQ(3000, StepNotifyIcon());
  EXPECT_EQ(3000, StepNotifyIcon());
}

}  // namespace
