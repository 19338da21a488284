// The program's timers: the one-second tick of the main window and the
// 20 ms colour cycle of the pop-ups' caller texts.

#include "shell/win32/shell.h"  // first: Windows Sockets before windows.h

#include <cstdio>

#include "config/settings.h"
#include "protocol/app_hooks.h"
#include "protocol/event.h"
#include "protocol/nuvproto.h"
#include "shell/cycle.h"
#include "shell/main_timer.h"
#include "shell/status.h"
#include "shell/win32/shell.h"
#include "skin/win32/skin.h"

namespace {

void TickChangeNotifyIcon() { ChangeNotifyIcon(hInst); }

void TickSplashValue(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  Debug_SetStatusItem(318, text);
}

void TickCloseSplash() {
  if (hSplash) DestroyWindow(hSplash);
}

int TickSlotOpen(int slot) { return hQryWndPop[slot] != nullptr; }

void TickRing() { MyPlaySound(1); }

void TickCloseMissedPopup(int slot) {
  if (PopupWindow(slot)) SendMessageA(PopupWindow(slot), WM_CLOSE, 0, 0);
  SetWindowPos(hNuvMainScreen, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  SetWindowPos(hMainScreen, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  OpenMainWindow();
  SetForegroundWindow(hNuvMainScreen);
}

// The light is drawn when its picture changes; every repaint of the window
// draws it anyway, so a steady light costs nothing each second.
int LastLedPicture;
void TickRedrawLed() {
  const int picture = StatusLedPicture(LoggedIn);
  if (picture == LastLedPicture) return;
  LastLedPicture = picture;
  SetStateLED(hMainScreen, LoggedIn);
}

void TickWatchDogValue(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d ", value);
  Debug_SetStatusItem(313, text);
}

void TickLoginChange() { NuvEventLoginChange(&nuvLogin); }

void TickProtocol() { NuvProtoTimerTick(&nuvLogin); }

constexpr MainTickHooks kMainTickHooks = {
    TickChangeNotifyIcon, TickSplashValue, TickCloseSplash,   TickSlotOpen,
    TickRing,             TickCloseMissedPopup, TickRedrawLed, TickWatchDogValue,
    FindNetwork,          TickLoginChange,   TickProtocol,
};

}  // namespace

void CALLBACK MainTimerProc(HWND, UINT, UINT_PTR, DWORD) { MainTick(kMainTickHooks); }

void Popup_AssertCyclingTimer() {
  if (CyclingTimerActive) return;
  CyclingTimerId = SetTimer(nullptr, 0, 20, Popup_CyclingTimerProc);
  CyclingTimerActive = 1;
}

void Popup_CheckKillCyclingTimer() {
  for (PlatWindow popup : hQryWndPop)
    if (popup) return;
  KillTimer(nullptr, CyclingTimerId);
  CyclingTimerActive = 0;
}

void CALLBACK Popup_CyclingTimerProc(HWND, UINT, UINT_PTR, DWORD) {
  CycleColourStep();
  for (int slot = 0; slot < kPopupSlots; ++slot) {
    if (!hQryWndPop[slot]) continue;
    switch (GetUserService()) {
      case -1:
      case 0:
      case 3:
        BasicDrawMessageCallerText(slot);
        break;
      case 1:
      case 2:
      case 4:
        DrawMessageCallerText(slot);
        break;
      default:
        std::fputs("Unsupported service type.\n", stderr);
        break;
    }
  }
}
