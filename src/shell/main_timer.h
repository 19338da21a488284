#pragma once
// The one-second tick: its count-downs and the order of its work. The window
// side supplies what each step does to windows; the decisions live here.

#include <cstdint>

// Ticks between rings while a call waits, and between network checks.
constexpr std::int32_t kRingInterval = 3;
constexpr std::int32_t kNetCheckInterval = 4;
constexpr unsigned kMissedCallText = 1028;  // "Missed Call"

extern std::int32_t SplashTimer;        // ticks until the splash screen closes
extern std::int32_t PhoneTime;          // ticks until the next ring
extern std::int32_t TimerCountDown[3];  // per pop-up slot: ticks until missed
extern std::int32_t NetWatchDog;        // ticks until the next network check; 1 at load

void SetNetWatchDogTimer(int seconds);

// What a tick does outside the counters. A member left empty is skipped
// (slotOpen empty: no slot counts as open).
struct MainTickHooks {
  void (*changeNotifyIcon)();          // step 1: tray icon
  void (*splashValue)(int value);      // step 3: new SplashTimer value (trace item 318)
  void (*closeSplash)();               // step 3: SplashTimer reached 0
  int (*slotOpen)(int slot);           // step 4: 1 when pop-up slot i has a window
  void (*ring)();                      // step 4.1: play the ring
  void (*closeMissedPopup)(int slot);  // step 4.2: after the miss was logged
  void (*redrawLed)();                 // step 5: every watchdog decrement
  void (*watchDogValue)(int value);    // step 5: new NetWatchDog value (trace item 313)
  void (*checkNetwork)();              // step 5: FindNetwork
  void (*loginChange)();               // step 5: NuvEventLoginChange
  void (*protocolTick)();              // step 6: NuvProtoTimerTick
};

// One tick, in order: tray icon, blink phase, splash, each open pop-up slot
// (ring, count-down; a missed call is logged "Missed Call" and its slot's
// call finished before closeMissedPopup), network watchdog, protocol clock.
void MainTick(const MainTickHooks &hooks);

// Back to the values at program load (tests).
void MainTimerReset();
