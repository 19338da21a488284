#include "shell/status.h"

int LoggedIn = 0;
int NetUp = 0;
int ForceBlinkGreen = 0;
int BlinkState = 0;
int LEDState = 1;

const int NotifyIcon[kNotifyIconCount] = {3000, 3001, 3002};
int NotifyIconNumber = 0;

namespace {
constexpr int kIconGreen = 0;
constexpr int kIconRed = 1;
constexpr int kIconDark = 2;
}  // namespace

void SetBlinkGreen(int flag) { ForceBlinkGreen = flag; }
void SetBlinkState(int flag) { BlinkState = flag; }
int GetBlinkGreen() { return ForceBlinkGreen; }
int GetBlinkState() { return BlinkState; }
int GetLEDState() { return LEDState; }

void FlipLEDState() { LEDState = LEDState == 1 ? 0 : 1; }

int StatusLedPicture(int state) {
  if (state != 0 && state != 1) return 0;
  const bool lit = GetLEDState() == 1;
  if (GetBlinkGreen()) return lit ? kLedGreen : kLedDark;
  if (state == 1) return kLedGreen;
  if (GetBlinkState()) return lit ? kLedRed : kLedDark;
  return kLedRed;
}

// The lamp keeps its own phase: it alternates from the index it showed last,
// not from LEDState.
int NextNotifyIconIndex(int current) {
  if (ForceBlinkGreen == 1) return current == kIconGreen ? kIconDark : kIconGreen;
  if (LoggedIn == 1) return kIconGreen;
  if (BlinkState == 0) return kIconRed;
  return current == kIconRed ? kIconDark : kIconRed;
}

int StepNotifyIcon() {
  NotifyIconNumber = NextNotifyIconIndex(NotifyIconNumber);
  return NotifyIcon[NotifyIconNumber];
}

void StatusReset() {
  LoggedIn = 0;
  NetUp = 0;
  ForceBlinkGreen = 0;
  BlinkState = 0;
  LEDState = 1;
  NotifyIconNumber = 0;
}
