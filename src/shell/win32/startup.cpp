// Program-wide handles, the window classes, the single-instance rule and the
// two ways out: the orderly exit and the emergency exit after an account
// error.

#include "shell/win32/shell.h"  // first: Windows Sockets before windows.h
#include <shellapi.h>

#include <cstring>

#include "config/config.h"
#include "config/settings.h"
#include "platform/message_box.h"
#include "platform/string_table.h"
#include "protocol/app_hooks.h"
#include "protocol/nuvproto.h"
#include "shell/main_timer.h"
#include "shell/msgbox.h"
#include "shell/win32/message.h"
#include "shell/win32/shell.h"
#include "skin/win32/button_layer.h"

HINSTANCE hInst;
HWND hNuvMainScreen;
HWND hMainScreen;
WSADATA stWSAData;
HFONT hnewsfont, holdsfont, hnewCTRLfont;
int MisconfiguredShown;
HWND hDlgCurrent;
WNDPROC SystemButtonProc;

void *GetMainInstance() { return hInst; }
PlatWindow GetMainWindowHandle() { return hMainScreen; }
HWND GetNuvMainWindowHandle() { return hNuvMainScreen; }

namespace {

// Window classes that draw everything themselves.
ATOM RegisterPlainClass(HINSTANCE instance, const char *name, WNDPROC proc) {
  WNDCLASSA wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kIconProgram));
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // arrow
  wc.lpszClassName = name;
  return RegisterClassA(&wc);
}

}  // namespace

// In this order.
int RegisterNuvClasses(HINSTANCE instance) {
  int ok = 1;
  ok &= RegisterPlainClass(instance, "NUVMAIN", NuvMainWndProc) != 0;
  ok &= RegisterPlainClass(instance, "NUV", MainWndProc) != 0;
  ok &= RegisterPlainClass(instance, "PopupClass", PopupDlgBoxProc) != 0;
  ok &= RegisterPlainClass(instance, "BasicPopupClass", BasicPopupDlgBoxProc) != 0;
  ok &= RegisterMessageClass();
  ok &= RegisterMessageButtonClass();
  ok &= RegisterSkinLayerClass(instance, "PopupBtnClass", PopupButtonProc, &SystemButtonProc);
  ok &= RegisterSkinLayerClass(instance, "NEWSTATIC", ButtonProc, &SystemButtonProc);
  ok &= RegisterSkinLayerClass(instance, "BasicPopupButtonClass", BasicPopupButtonProc,
                               &SystemButtonProc);
  return ok;
}

int FindThisNuvInstance(const char *number) {
  char caption[80];
  LoadFmtMessage(1121, caption, sizeof caption, number);
  HWND other = FindWindowA("NUV", caption);
  if (!other) return 0;
  SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  if (HWND owner = GetWindow(other, GW_OWNER)) {
    SetWindowPos(owner, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    BringWindow2Top(owner);
  }
  return 1;
}

void BringWindow2Top(HWND window) {
  ShowWindow(window, SW_MINIMIZE);
  ShowWindow(window, SW_RESTORE);
  SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}

void ExitNUV() {
  if (LoggedIn) NuvProtoClusterLogout(&nuvLogin);
  if (hConfigWnd) DestroyWindow(hConfigWnd);
  if (hLogScreen) DestroyWindow(hLogScreen);
  char help[256];
  GetHelpFileName(GetUserService(), help, sizeof help);
  WinHelpA(hMainScreen, help, HELP_QUIT, 0);
  if (hMainScreen) DestroyWindow(hMainScreen);
  if (hNuvMainScreen) DestroyWindow(hNuvMainScreen);
  hNuvMainScreen = nullptr;
}

void EmergencyShutdown(const char *caption, const char *text, const char *target) {
  if (SplashTimer != 0) {
    SplashTimer = 0;
    const char remembered = Config.MINIMIZE[0];
    if (remembered == '0') Config.MINIMIZE[0] = '1';
    if (hSplash) DestroyWindow(hSplash);
    Config.MINIMIZE[0] = remembered;
  }
  if (hMainScreen)
    SetWindowPos(hMainScreen, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  for (int slot = 0; slot < kPopupSlots; ++slot)
    if (PopupWindow(slot)) SendMessageA(PopupWindow(slot), WM_CLOSE, 0, 0);
  if (hConfigWnd) DestroyWindow(hConfigWnd);
  if (hLogScreen) DestroyWindow(hLogScreen);
  if (PlatMessageBox(nullptr, text, caption, kMbYesNo) == kIdYes) {
    const INT_PTR result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "open", target, nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) HandleShellExecuteError(target);
  }
  ExitNUV();
}

void HandleMisconfiguredAccount() {
  if (MisconfiguredShown) return;
  MisconfiguredShown = 1;
  char address[96];
  PlatLoadString(kIdsSupportAddress, address, sizeof address);
  char text[1024];
  LoadFmtMessage(1426, text, sizeof text, address);
  char target[96];
  LoadFmtMessage(1988, target, sizeof target, address);
  char caption[96];
  PlatLoadString(1425, caption, sizeof caption);
  EmergencyShutdown(caption, text, target);
}
