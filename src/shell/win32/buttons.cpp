// The main window's button layer: a child over the whole panel, shaped to
// its buttons and the caller display. Presses reach the main window as
// parent notifications; the layer keeps the mouse until the release.

#include "shell/win32/shell.h"  // first: Windows Sockets before windows.h

#include "shell/main_layout.h"
#include "skin/win32/button_layer.h"
#include "skin/win32/skin.h"

namespace {

void DrawMainButtonDown(const SkinButtonEntry &button, HWND surface) {
  const RECT r = SkinButtonRect(*button.button);
  DrawButtonDn(&r, surface);
}

void DrawMainButtonUp(const SkinButtonEntry &button, HWND surface) {
  const RECT r = SkinButtonRect(*button.button);
  DrawButtonUp(&r, surface);
}

void Do_WM_RBUTTONUP(HWND layer, LPARAM lParam) {
  POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  if (MenuSelect != 1 || !InsideClearScreenStrictly(RectClearScreen, pt.x, pt.y)) return;
  MenuSelect = 0;
  ClientToScreen(layer, &pt);
  TrackPopupMenu(hClientMenu, TPM_LEFTALIGN, pt.x, pt.y, 0, hMainScreen, nullptr);
}

}  // namespace

const SkinButtonLayer MainButtonLayer = {MainButtons, kMainButtonCount, DrawMainButtonDown,
                                         DrawMainButtonUp, DoMainButtonAction};

LRESULT CALLBACK ButtonProc(HWND layer, UINT message, WPARAM wParam, LPARAM lParam) {
  bool handled = false;
  const LRESULT result =
      SkinLayerMessage(MainButtonLayer, hMainScreen, layer, message, wParam, lParam, &handled);
  if (handled) return result;
  if (message == WM_RBUTTONUP) {
    Do_WM_RBUTTONUP(layer, lParam);
    return 0;
  }
  return CallWindowProcA(SystemButtonProc, layer, message, wParam, lParam);
}
