// The owner window: never seen (zero size at the origin), it carries the
// program's taskbar entry with its caption and icon.

#include "shell/win32/shell.h"  // first: Windows Sockets before windows.h

#include "shell/win32/shell.h"

LRESULT CALLBACK NuvMainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    HICON icon = LoadIconA(reinterpret_cast<LPCREATESTRUCTA>(lParam)->hInstance,
                           MAKEINTRESOURCEA(kIconProgram));
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
