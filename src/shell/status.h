#pragma once
// The status light and the tray lamp: which picture the flags select.
// LoggedIn and NetUp are declared with the event bridge (protocol/app_hooks.h).

#include "protocol/app_hooks.h"

extern int ForceBlinkGreen;  // 1: blink green (logged in, no call received yet)
extern int BlinkState;       // 1: blink red when not logged in
extern int LEDState;         // blink phase: 1 lit, 0 dark; starts at 1

int GetBlinkGreen();
int GetBlinkState();
int GetLEDState();
// The blink phase moves on: 1 becomes 0, anything else becomes 1.
void FlipLEDState();

// Skin pictures of the status light.
constexpr int kLedDark = 1015;
constexpr int kLedGreen = 1016;
constexpr int kLedRed = 1017;

// The light's picture for a login state (1 logged in, 0 not) under the
// current flags and phase; 0 for any other state (nothing is drawn).
int StatusLedPicture(int state);

// Tray icon resources by index: 0 green, 1 red, 2 dark.
constexpr int kNotifyIconCount = 3;
extern const int NotifyIcon[kNotifyIconCount];
// The tray icon index shown now; 0 at program start.
extern int NotifyIconNumber;
// The index to show next, from the flags and the index shown now.
int NextNotifyIconIndex(int current);
// Moves NotifyIconNumber on by one second and returns the icon resource to
// show.
int StepNotifyIcon();

// Back to the values at program load (tests).
void StatusReset();
