// The basic incoming-call pop-up (service types -1, 0 and 3): the caller
// and three bars, "Call them back", "Will call back" and "Ignore".

#include "calls/win32/popup_window.h"

#include "skin/bands_generated.h"
#include "skin/win32/skin.h"

namespace {

// State of its own, apart from the full pop-up's.
HWND hBasicPopupButtons[kPopupSlots];
int BasicPopupFocus;
int BasicPopupButtonFocus;
int NewBasicPopupWindow = -1;

void LayerDown(const SkinButtonEntry &button, HWND surface) {
  const RECT r = SkinButtonRect(*button.button);
  DrawBasicPopUpRectDown(&r, surface);
}
void LayerUp(const SkinButtonEntry &button, HWND surface) {
  const RECT r = SkinButtonRect(*button.button);
  DrawBasicPopUpRectUp(&r, surface);
}
void LayerAct(int code) { BasicPopupDecide(BasicPopupButtonFocus, code); }

const SkinButtonLayer BasicLayer = {BasicPopupButtons, kBasicPopupButtonCount, LayerDown, LayerUp,
                                    LayerAct};

void Paint(HDC dc, int slot) {
  DrawBasicPopUp(dc);
  BasicDrawMessageCallerText(slot);
  DrawPopUpLogo(dc);
}

void BuildRegion(int slot) {
  if (slot < 0 || slot >= kPopupSlots) return;
  hRgnPopup[slot] = CreateWindowRegion(BasicPopupRegionRectCount, BasicPopupRegionRect, PopupWindow(slot));
}

void BuildButtonRegion(int slot) {
  if (slot < 0 || slot >= kPopupSlots || !hBasicPopupButtons[slot]) return;
  hRgnPopupButtons[slot] = CreateWindowRegion(BasicPopupButtonsRegionRectCount,
                                              BasicPopupButtonsRegionRect, hBasicPopupButtons[slot]);
}

}  // namespace

const PopupKind BasicPopup = {
    "BasicPopupClass", "BasicPopupButtonClass", kBasicPopupHeight, 2001, hBasicPopupButtons,
    &BasicPopupFocus, &BasicPopupButtonFocus, &NewBasicPopupWindow, &BasicLayer, BuildRegion,
    BuildButtonRegion, Paint, 80, nullptr,
};

void IncommingCallBasicPopup(char *payload, unsigned sessionId) {
  OpenPopupForCall(BasicPopup, payload, sessionId);
}

void ShutDownIncommingCallBasicPopup(char *payload, unsigned sessionId) {
  PopupCallEnded(payload, sessionId);
}

int OpenBasicPopupDialog(int slot) { return OpenPopupWindow(BasicPopup, slot); }

LRESULT CALLBACK BasicPopupDlgBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  bool handled = false;
  const LRESULT result = PopupSharedMessage(BasicPopup, window, message, wParam, lParam, &handled);
  return handled ? result : DefWindowProcA(window, message, wParam, lParam);
}

LRESULT DoBasicPopup_WM_PARENTNOTIFY(HWND window, UINT, WPARAM wParam, LPARAM lParam) {
  PopupPressNotify(BasicPopup, window, wParam, lParam);
  return 0;
}

void BasicDrawMessageCallerText(int slot) { PopupDrawCaller(slot, true); }
