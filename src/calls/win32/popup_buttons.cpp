// The full pop-up's button layer: Answer, Transfer, Acknowledge, Ignore and
// the transfer bars; a release inside the pressed button decides the call.

#include "calls/win32/popup_window.h"

LRESULT CALLBACK PopupButtonProc(HWND child, UINT message, WPARAM wParam, LPARAM lParam) {
  return PopupButtonMessage(FullPopup, child, message, wParam, lParam);
}
