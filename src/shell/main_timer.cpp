#include "shell/main_timer.h"

#include "calls/active_call.h"
#include "calls/callerlist.h"
#include "platform/string_table.h"
#include "shell/status.h"

std::int32_t SplashTimer = 0;
std::int32_t PhoneTime = 0;
std::int32_t TimerCountDown[3] = {0, 0, 0};
std::int32_t NetWatchDog = 1;  // the first network check comes one second after start

static_assert(sizeof TimerCountDown / sizeof TimerCountDown[0] == kPopupSlots,
              "one count-down per pop-up slot");

void SetNetWatchDogTimer(int seconds) { NetWatchDog = seconds; }

namespace {

constexpr int kMissedTextSize = 96;

void LogMissedCall(int slot) {
  char text[kMissedTextSize];
  PlatLoadString(kMissedCallText, text, sizeof text);
  AddCallerToList(slot, text);
  // The server hears nothing more about this call from the pop-up.
  Caller[slot].callId = -1;
  Caller[slot].sessionId = 0;
}

void TickSlot(const MainTickHooks &hooks, int slot) {
  // One ring counter for all slots: with two pop-ups it runs down twice a tick.
  if (PhoneTime != 0 && --PhoneTime == 0) {
    if (hooks.ring) hooks.ring();
    PhoneTime = kRingInterval;
  }
  if (TimerCountDown[slot] != 0 && --TimerCountDown[slot] == 0) {
    LogMissedCall(slot);
    if (hooks.closeMissedPopup) hooks.closeMissedPopup(slot);
  }
}

}  // namespace

void MainTick(const MainTickHooks &hooks) {
  if (hooks.changeNotifyIcon) hooks.changeNotifyIcon();

  FlipLEDState();

  if (SplashTimer != 0) {
    --SplashTimer;
    if (hooks.splashValue) hooks.splashValue(SplashTimer);
    if (SplashTimer == 0 && hooks.closeSplash) hooks.closeSplash();
  }

  for (int slot = 0; slot < kPopupSlots; ++slot)
    if (hooks.slotOpen && hooks.slotOpen(slot)) TickSlot(hooks, slot);

  if (NetWatchDog != 0) {
    --NetWatchDog;
    if (hooks.redrawLed) hooks.redrawLed();
    if (hooks.watchDogValue) hooks.watchDogValue(NetWatchDog);
    if (NetWatchDog == 0) {
      NetWatchDog = kNetCheckInterval;
      if (hooks.checkNetwork) hooks.checkNetwork();
      if (hooks.loginChange) hooks.loginChange();
    }
  }

  if (hooks.protocolTick) hooks.protocolTick();
}

void MainTimerReset() {
  SplashTimer = 0;
  PhoneTime = 0;
  for (std::int32_t &count : TimerCountDown) count = 0;
  NetWatchDog = 1;
}
