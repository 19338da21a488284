// The lamp in the notification area: the status light's state, the
// monitored number as tip, a left click brings the main window up and a
// right click opens its menu.

#include "shell/win32/shell.h"  // first: Windows Sockets before windows.h
#include <shellapi.h>

#include "config/config.h"
#include "config/settings.h"
#include "shell/msgbox.h"
#include "shell/main_layout.h"
#include "shell/status.h"
#include "shell/win32/shell.h"

// The record as the first shell versions know it: every version accepts it.
static NOTIFYICONDATAA tnid;
static bool TrayIconAdded;

#if !defined(_WIN64)
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "the tray record of the first shell version");
#endif

namespace {

constexpr UINT kTrayIconId = 2000;

// The three lamps, loaded once: the lamp changes every second while it
// blinks, and the shell copies the picture it is given.
HICON Lamps[kNotifyIconCount];
// The lamp the shell shows (dark when added), -1 while there is none.
int ShownLamp = -1;

HICON Lamp(HINSTANCE instance, int index) {
  if (!Lamps[index])
    Lamps[index] = static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(NotifyIcon[index]), IMAGE_ICON, 16, 16, 0));
  return Lamps[index];
}

}  // namespace

void StartTrayIcon(HINSTANCE instance, HWND window) {
  tnid = {};
  tnid.cbSize = NOTIFYICONDATAA_V1_SIZE;
  tnid.hWnd = window;
  tnid.uID = kTrayIconId;
  tnid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  tnid.uCallbackMessage = WM_NUV_TRAY;
  tnid.hIcon = Lamp(instance, 2);
  LoadFmtMessage(1121, tnid.szTip, 64, Config.USERID);
  TrayIconAdded = Shell_NotifyIconA(NIM_ADD, &tnid) != FALSE;
  ShownLamp = 2;
}

void ChangeNotifyIcon(HINSTANCE instance) {
  NotifyIconNumber = NextNotifyIconIndex(NotifyIconNumber);
  // The shell is told only when the lamp changes: a steady lamp costs
  // nothing each second.
  if (NotifyIconNumber == ShownLamp) return;
  tnid.hIcon = Lamp(instance, NotifyIconNumber);
  Shell_NotifyIconA(NIM_MODIFY, &tnid);
  ShownLamp = NotifyIconNumber;
}

void RemoveTrayIcon() {
  if (TrayIconAdded) Shell_NotifyIconA(NIM_DELETE, &tnid);
  TrayIconAdded = false;
  ShownLamp = -1;
  for (HICON &lamp : Lamps) {
    if (lamp) DestroyIcon(lamp);
    lamp = nullptr;
  }
}

LRESULT Do_TrayNotify(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (wParam != kTrayIconId) return DefWindowProcA(window, message, wParam, lParam);
  switch (lParam) {
    case WM_LBUTTONUP:
      if (CheckConfigNUVNumber() && CheckConfigPassword()) {
        SetWindowPos(hNuvMainScreen, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        SetWindowPos(hMainScreen, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        OpenMainWindow();
        SetForegroundWindow(hMainScreen);
      } else {
        SetForegroundWindow(GetConfigHandle());
      }
      return 0;
    case WM_RBUTTONUP: {
      POINT pt;
      GetCursorPos(&pt);
      MenuSelect = 0;
      const int command = TrackPopupMenu(hClientMenu, TPM_LEFTALIGN | TPM_BOTTOMALIGN | TPM_RETURNCMD,
                                         pt.x, GetSystemMetrics(SM_CYSCREEN), 0, window, nullptr);
      SendMessageA(window, WM_COMMAND, command, 0);
      return 0;
    }
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}
