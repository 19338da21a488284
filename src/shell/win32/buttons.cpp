// The main window's button layer: a child over the whole panel, shaped to
// its buttons and the caller display. Presses reach the main window as
// parent notifications; the layer keeps the mouse until the release.

#include "shell/win32/shell.h"  // first: Windows Sockets before windows.h

#include "shell/main_layout.h"
#include "shell/win32/shell.h"
#include "skin/win32/skin.h"

namespace {

void Do_WM_LBUTTONUP(LPARAM lParam) {
  ReleaseCapture();
  int act = 0;
  const SkinButtonEntry *pressed = SkinRelease(MainButtons, kMainButtonCount,
                                               static_cast<short>(LOWORD(lParam)),
                                               static_cast<short>(HIWORD(lParam)), &ActiveButton, &act);
  if (!pressed) return;
  const RECT r = {pressed->button->left, pressed->button->top, pressed->button->right,
                  pressed->button->bottom};
  DrawButtonUp(&r, hMainScreen);
  if (act) DoMainButtonAction(pressed->code);
}

void Do_WM_RBUTTONUP(HWND layer, LPARAM lParam) {
  POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  if (MenuSelect != 1 || !InsideClearScreenStrictly(RectClearScreen, pt.x, pt.y)) return;
  MenuSelect = 0;
  ClientToScreen(layer, &pt);
  TrackPopupMenu(hClientMenu, TPM_LEFTALIGN, pt.x, pt.y, 0, hMainScreen, nullptr);
}

}  // namespace

LRESULT CALLBACK ButtonProc(HWND layer, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      // The layer is invisible: the panel below shows the buttons. The
      // system button would paint a grey face over the artwork.
      PAINTSTRUCT ps;
      BeginPaint(layer, &ps);
      EndPaint(layer, &ps);
      return 0;
    }
    case WM_MOUSEACTIVATE:
      SetCapture(layer);
      return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
      // The press was handled by the parent's notification; keep the mouse
      // so the release comes here wherever it happens.
      SetCapture(layer);
      return 0;
    case WM_LBUTTONUP:
      Do_WM_LBUTTONUP(lParam);
      return 0;
    case WM_RBUTTONUP:
      Do_WM_RBUTTONUP(layer, lParam);
      return 0;
    default:
      return CallWindowProcA(SystemButtonProc, layer, message, wParam, lParam);
  }
}
