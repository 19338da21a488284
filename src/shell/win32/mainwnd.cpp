// The main window: the skinned panel with the caller display, the status
// light and the monitored number. Its creation is the program's start-up
// sequence; its destruction ends the message loop.

#include "shell/win32/shell.h"  // first: Windows Sockets before windows.h
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "calls/callerlist.h"
#include "config/config.h"
#include "config/settings.h"
#include "config/validate.h"
#include "config/win32/password_dlg.h"
#include "platform/message_box.h"
#include "platform/string_table.h"
#include "protocol/app_hooks.h"
#include "protocol/event.h"
#include "protocol/nuvproto.h"
#include "protocol/trace.h"
#include "shell/account.h"
#include "shell/main_layout.h"
#include "shell/main_timer.h"
#include "shell/msgbox.h"
#include "shell/receive_error.h"
#include "shell/win32/shell.h"
#include "skin/bands_generated.h"
#include "skin/win32/button_layer.h"
#include "skin/win32/skin.h"

HMENU hClientMenu;
HWND hClientButtons;
int OtherWindowActivated;
// The main window's screen rectangle once it has its size.
static RECT MainWindowRect;

namespace {

RECT ToRect(const MainRect &r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// The setting as a number, or fallback when it does not start with one.
int ReadInt(const char *text, int fallback) {
  int value;
  return std::sscanf(text, "%d", &value) == 1 ? value : fallback;
}

void BuildClientMenu() {
  hClientMenu = CreatePopupMenu();
  char text[96];
  const struct {
    unsigned textId;
    int command;
  } items[] = {{1696, kCmdClearLog}, {1697, kCmdOpenLog}, {0, 0},
               {1698, kCmdClose},    {0, 0},            {1699, kCmdAbout}};
  for (const auto &item : items) {
    if (!item.command) {
      AppendMenuA(hClientMenu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    PlatLoadString(item.textId, text, sizeof text);
    AppendMenuA(hClientMenu, MF_STRING, item.command, text);
  }
}

// Fills the protocol's start-up record from the settings and starts it.
int StartProtocol() {
  NuvProtoParams params = {};
  params.userId = CrunchPhoneNumber(Config.USERID);
  params.password = Config.PASSWORD;
  params.version = Config.VERSION;
  int service;
  if (std::sscanf(Config.SERVICE, "%d", &service) != 1) {
    char text[96];
    PlatLoadString(kIdsServiceDefault, text, sizeof text);
    service = ReadInt(text, -1);
  }
  params.service = service;
  params.packetTimeout = ReadInt(Config.PACKETTIMEOUT, -1);
  params.retryInterval = -1;
  params.dutySeconds = ReadInt(Config.DUTY, -1);
  params.maxResends = ReadInt(Config.PACKETRESENDS, -1);
  params.fallbackSeconds = static_cast<int>(Config_readOnly.fallbackSeconds);
  params.switchSeconds = static_cast<int>(Config_readOnly.switchSeconds);
  params.loginValidSeconds = static_cast<int>(Config_readOnly.loginValidSeconds);
  params.fallbackCallback = NuvEventProvideFallbackServer;
  return NuvProtoInit(&nuvLogin, &params);
}

LRESULT Do_WM_CREATE(HWND window) {
  hMainScreen = window;
  if (std::atoi(Config.DEBUG) == 1) Debug_OpenTraceWindow();
  BuildClientMenu();

  const int numberOk = CheckConfigNUVNumber();
  const int passwordOk = CheckConfigPassword();
  if (!passwordOk) Config.PASSWORD[0] = '\0';
  if (!numberOk || !passwordOk) {
    if (CreatePasswordDialog(hInst, window) == -1) {
      PostMessageA(window, WM_CLOSE, 0, 0);
      return 0;
    }
  }

  const int started = StartProtocol();
  if (started != 0) {
    if (started == 6 || started == 10 || started == 11)
      errorMessageBox(nullptr, 1435, 1441, started);
    else
      stringMessageBox(nullptr, 1435, 1436, kMbIconError);
    // The window is still being created: it closes once its creation is over.
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
  }
  NuvEventConnectionType(&nuvLogin, Config.RAS[0] == '1' ? 1 : 0);
  WSAAsyncSelect(static_cast<SOCKET>(nuvLogin.local.socket), window, WM_NUV_SOCKET, FD_READ);

  if (!LoadAllBitmaps(hInst, window)) return -1;
  LoadSounds(hInst);
  CreateWindowRegion(ClientRegionRectCount, ClientRegionRect, window);
  SetUpRas();
  SetWindowPos(window, nullptr, 0, 0, ClientRegionRectBound.right, ClientRegionRectBound.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(window, &MainWindowRect);

  hClientButtons = CreateWindowExA(0, "NEWSTATIC", "", WS_CHILD | WS_VISIBLE | BS_LEFT, 0, 0,
                                   kMainWidth, kMainHeight, window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(1000)), hInst, nullptr);
  CreateWindowRegion(ClientButtonsRegionRectCount, ClientButtonsRegionRect, hClientButtons);

  char caption[80];
  LoadFmtMessage(1121, caption, sizeof caption, Config.USERID);
  SetWindowTextA(window, caption);
  SetWindowTextA(hNuvMainScreen, caption);

  SetTimer(window, 1, 1000, MainTimerProc);
  StartTrayIcon(hInst, window);
  VcLoadList();

  SplashTimer = 3;
  CreateDialogA(hInst, MAKEINTRESOURCEA(kDialogSplash), nullptr, SplashWndProc);
  return 0;
}

void Do_WM_DESTROY() {
  RemoveTrayIcon();
  hMainScreen = nullptr;
  VcSaveList();
  DestroyBitmaps();
  UnloadSounds();
  PostQuitMessage(0);
}

LRESULT Do_WM_ERASEBKGND(HWND, HDC dc) {
  DrawClientBackground(dc);
  DrawClientTitleEnd(dc);
  VcList(GetCallerInView());
  SetStateLED(hMainScreen, LoggedIn);
  DrawNuvIdNumber(dc);
  return 1;
}

LRESULT Do_WM_NCHITTEST(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT hit = DefWindowProcA(window, message, wParam, lParam);
  if (hit != HTCLIENT) return hit;
  POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  ScreenToClient(window, &pt);
  return pt.y < kMainDragStripHeight ? HTCAPTION : hit;
}

void Do_WM_COMMAND(HWND window, int command) {
  switch (command) {
    case kCmdAbout:
      DialogBoxA(hInst, "ABOUTBOX", window, About);
      break;
    case kCmdClearLog:
      if (stringMessageBox(window, 1037, 1036, kMbYesNo | kMbIconQuestion) == kIdYes) VcClearAll();
      break;
    case kCmdClose:
      ExitNUV();
      break;
    case kCmdOpenLog:
      CreateLogWindow(hInst, window);
      break;
    default:
      break;
  }
}

void Do_WM_PALETTECHANGED(HWND window, HWND causedBy) {
  if (causedBy != window) RealizeWindowPalette(window, GethPalette());
  HWND others[] = {hMessageWnd, hConfigWnd, PopupWindow(0), PopupWindow(1), PopupWindow(2)};
  for (HWND other : others)
    if (other) SendMessageA(other, WM_PALETTECHANGED, 0, 0);
}

void OpenAccountPage() {
  char target[256];
  MakeAccountTarget(target, sizeof target);
  const INT_PTR result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(hClientButtons, "open", target, nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) HandleShellExecuteError(target);
}

void DrawTextIn(HDC dc, const char *text, const MainRect &where, UINT format) {
  RECT r = ToRect(where);
  DrawTextA(dc, text, -1, &r, format | DT_NOPREFIX);
}

}  // namespace

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return Do_WM_CREATE(window);
    case WM_DESTROY:
      Do_WM_DESTROY();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) SetFocus(window);
      return 0;
    case WM_ERASEBKGND:
      return Do_WM_ERASEBKGND(window, reinterpret_cast<HDC>(wParam));
    case WM_NCHITTEST:
      return Do_WM_NCHITTEST(window, message, wParam, lParam);
    case WM_COMMAND:
      Do_WM_COMMAND(window, LOWORD(wParam));
      return 0;
    case WM_PARENTNOTIFY:
      return Do_WM_PARENTNOTIFY_Main(window, message, wParam, lParam);
    case WM_QUERYNEWPALETTE:
      RealizeWindowPalette(window, GethPalette());
      return TRUE;
    case WM_PALETTECHANGED:
      Do_WM_PALETTECHANGED(window, reinterpret_cast<HWND>(wParam));
      return 0;
    case WM_NUV_TRAY:
      return Do_TrayNotify(window, message, wParam, lParam);
    case WM_NUV_SOCKET:
      return Do_WSA_ASYNC(window, message, wParam, lParam);
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

LRESULT Do_WM_PARENTNOTIFY_Main(HWND window, UINT, WPARAM wParam, LPARAM lParam) {
  const int x = static_cast<short>(LOWORD(lParam));
  const int y = static_cast<short>(HIWORD(lParam));
  switch (LOWORD(wParam)) {
    case WM_RBUTTONDOWN:
      if (InsideClearScreenStrictly(RectClearScreen, x, y)) MenuSelect = 1;
      break;
    case WM_LBUTTONDOWN:
      SkinLayerPress(MainButtonLayer, window, x, y);
      break;
    default:
      break;
  }
  return 0;
}

LRESULT Do_WSA_ASYNC(HWND, UINT, WPARAM, LPARAM lParam) {
  if (WSAGETSELECTEVENT(lParam) != FD_READ) return 0;
  const int status = NuvProtoProcessIncoming(&nuvLogin);
  if (status != 0) ReportReceiveError(status);
  return 0;
}

void DoMainButtonAction(int code) {
  switch (code) {
    case kBtnConfig:
      OpenConfigureBox(hMainScreen, -1);
      break;
    case kBtnGoWeb:
      OpenAccountPage();
      break;
    case kBtnLeft:
      VcPrev();
      break;
    case kBtnRight:
      VcNext();
      break;
    case kBtnGarbage:
      VcClearOne();
      break;
    case kBtnExit:
      if (stringMessageBox(hMainScreen, 1152, 1153, kMbYesNo | MB_DEFBUTTON2 | kMbIconQuestion) ==
          kIdYes)
        ExitNUV();
      break;
    case kBtnMinimize:
      SetWindowPos(hNuvMainScreen, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      SetWindowPos(hMainScreen, nullptr, 0, 0, kMainWidth, kMainHeight,
                   SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      CloseMainWindow();
      break;
    case kBtnHelp: {
      char help[256];
      GetHelpFileName(GetUserService(), help, sizeof help);
      WinHelpA(hMainScreen, help, HELP_CONTENTS, 0);
      break;
    }
    default:
      break;
  }
}

void OpenHiddenWindow() {}

void OpenMainWindow() {
  OpenHiddenWindow();
  ShowWindow(hMainScreen, SW_SHOWNORMAL);
  SetWindowPos(hMainScreen, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void CloseMainWindow() {
  ShowWindow(hMainScreen, SW_HIDE);
  TryCloseHiddenWindow(nullptr);
}

namespace {

BOOL CALLBACK TryCloseHiddenWindow_Proc(HWND window, LPARAM progman) {
  if (!IsWindowVisible(window) || IsIconic(window)) return TRUE;
  if (window == hNuvMainScreen || window == hMainScreen ||
      window == reinterpret_cast<HWND>(progman))
    return TRUE;
  char caption[2];
  if (GetWindowTextA(window, caption, sizeof caption) == 0) return TRUE;
  SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  OtherWindowActivated = 1;
  return FALSE;
}

}  // namespace

int TryCloseHiddenWindow(HWND closing) {
  if (hMainScreen && IsWindowVisible(hMainScreen) && hMainScreen != closing) return 0;
  HWND others[] = {hConfigWnd, hMessageWnd, hAbout, hLogScreen,
                   PopupWindow(0), PopupWindow(1), PopupWindow(2)};
  for (HWND other : others)
    if (other && other != closing) return 0;
  OtherWindowActivated = 0;
  EnumWindows(TryCloseHiddenWindow_Proc,
              reinterpret_cast<LPARAM>(FindWindowA("Progman", nullptr)));
  if (!OtherWindowActivated)
    RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW | RDW_ALLCHILDREN);
  return 1;
}

// --- The caller display ---

void UpdateLedDisplay(CallerRecord entry) {
  if (!hMainScreen) return;
  HDC dc = GetDC(hMainScreen);
  HGDIOBJ oldFont = SelectObject(dc, hnewsfont);
  const RECT screen = ToRect(RectClearScreen);
  DrawClientRect(&screen, dc);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 255, 0));
  // A stored text is cut to its field, however the file was damaged.
  entry.name[sizeof entry.name - 1] = '\0';
  entry.number[sizeof entry.number - 1] = '\0';
  entry.time[sizeof entry.time - 1] = '\0';
  entry.action[sizeof entry.action - 1] = '\0';
  char text[96];
  DrawTextIn(dc, LoadFmtMessage(3016, text, sizeof text, entry.name), RectCallerName, DT_LEFT | DT_TOP);
  DrawTextIn(dc, LoadFmtMessage(3017, text, sizeof text, entry.number), RectCallerNumber, DT_LEFT | DT_TOP);
  DrawTextIn(dc, LoadFmtMessage(3018, text, sizeof text, entry.time), RectCallerTime, DT_LEFT | DT_TOP);
  DrawTextIn(dc, entry.action, RectCallerAction, DT_LEFT | DT_TOP);
  if (oldFont) SelectObject(dc, oldFont);
  ReleaseDC(hMainScreen, dc);
}

void UpdateCallerSpot(const char *text) {
  if (!hMainScreen) return;
  HDC dc = GetDC(hMainScreen);
  HGDIOBJ oldFont = SelectObject(dc, hnewsfont);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 255, 0));
  DrawTextIn(dc, text ? text : "", RectCallerSpot, DT_RIGHT | DT_TOP);
  if (oldFont) SelectObject(dc, oldFont);
  ReleaseDC(hMainScreen, dc);
}

void DrawNuvIdNumber(HDC dc) {
  char digits[41];
  std::snprintf(digits, sizeof digits, "%s", CrunchPhoneNumber(Config.USERID));
  char pretty[kConfigFieldSize];
  std::snprintf(pretty, sizeof pretty, "%s", MakePhoneNumberPretty(digits));
  HGDIOBJ oldFont = SelectObject(dc, hnewsfont);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 255, 0));
  DrawTextIn(dc, pretty, RectNuvIdNumber, DT_CENTER | DT_TOP | DT_SINGLELINE);
  if (oldFont) SelectObject(dc, oldFont);
  std::snprintf(Config.USERID, sizeof Config.USERID, "%s", pretty);
}

void EnableLogMenuItems(int state) {
  if (state != 0 && state != 1) return;
  const UINT flags = MF_BYCOMMAND | (state ? MF_ENABLED : MF_GRAYED);
  EnableMenuItem(hClientMenu, kCmdClearLog, flags);
  EnableMenuItem(hClientMenu, kCmdOpenLog, flags);
}

void NotifyLogWindow(int count, int disableDelete) {
  if (!hLogScreen) return;
  PostMessageA(hLogScreen, WM_COMMAND, kLogRefresh, count);
  if (disableDelete) EnableWindow(GetDlgItem(hLogScreen, 8004), FALSE);
}
