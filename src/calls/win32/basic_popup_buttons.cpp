// The basic pop-up's button layer: its three bars.

#include "calls/win32/popup_window.h"

LRESULT CALLBACK BasicPopupButtonProc(HWND child, UINT message, WPARAM wParam, LPARAM lParam) {
  return PopupButtonMessage(BasicPopup, child, message, wParam, lParam);
}
