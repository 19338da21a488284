// The splash screen: shown for three seconds at start, centred, over every
// window; its end shows the main window (or keeps it hidden when the user
// asked to start minimised).

#include "shell/win32/shell.h"  // first: Windows Sockets before windows.h

#include "config/config.h"
#include "shell/win32/shell.h"
#include "skin/win32/skin.h"

HWND hSplash;

namespace {

void Do_WM_INITDIALOG(HWND dialog) {
  hSplash = dialog;
  SetWindowTextA(dialog, "NUV");
  LoadSplashScreen(hInst, dialog);
  int width = 0, height = 0;
  if (const BITMAPINFOHEADER *header = GetSplashBmHeader()) {
    width = header->biWidth;
    height = header->biHeight;
  }
  const int left = GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2;
  const int top = GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2;
  const bool debug = Config.DEBUG[0] == '1' && Config.DEBUG[1] == '\0';
  SetWindowPos(dialog, debug ? HWND_TOP : HWND_TOPMOST, left, top, width, height,
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  SetForegroundWindow(dialog);
}

void Do_WM_PAINT(HWND dialog) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(dialog, &ps);
  DrawSplash(dc);
  EndPaint(dialog, &ps);
}

void Do_WM_DESTROY() {
  hSplash = nullptr;
  DestroySplash();
  ReloadPalette(hInst, hMainScreen);
  int width = kMainWidth, height = kMainHeight;
  if (const BITMAPINFOHEADER *header = GetClientBmHeader()) {
    width = header->biWidth;
    height = header->biHeight;
  }
  if (!hMainScreen) return;
  const int left = GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2;
  const int top = GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2;
  if (Config.MINIMIZE[0] == '1' && Config.MINIMIZE[1] == '\0') {
    SetWindowPos(hMainScreen, nullptr, left, top, kMainWidth, kMainHeight,
                 SWP_HIDEWINDOW | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(hMainScreen, SW_HIDE);
    ShowWindow(hNuvMainScreen, SW_HIDE);
  } else {
    ShowWindow(hNuvMainScreen, SW_SHOW);
    SetWindowPos(hMainScreen, nullptr, left, top, kMainWidth, kMainHeight,
                 SWP_SHOWWINDOW | SWP_NOZORDER);
  }
}

}  // namespace

INT_PTR CALLBACK SplashWndProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      Do_WM_INITDIALOG(dialog);
      return TRUE;
    case WM_PAINT:
      Do_WM_PAINT(dialog);
      return TRUE;
    case WM_ERASEBKGND:
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 1);
      return TRUE;
    case WM_QUERYNEWPALETTE:
      RealizeWindowPalette(dialog, GethSplashPal());
      return TRUE;
    case WM_PALETTECHANGED:
      if (reinterpret_cast<HWND>(wParam) != dialog) RealizeWindowPalette(dialog, GethSplashPal());
      return TRUE;
    case WM_DESTROY:
      Do_WM_DESTROY();
      return TRUE;
    default:
      return FALSE;
  }
}
