// The full incoming-call pop-up (service types 1 and 2): the caller's name
// and number pulsing in green, the four buttons Answer, Transfer,
// Acknowledge and Ignore, and the transfer drop-down of two to four bars.

#include "calls/win32/popup_window.h"

#include "config/config.h"
#include "config/settings.h"
#include "shell/main_layout.h"
#include "skin/bands_generated.h"
#include "skin/win32/skin.h"

HWND hPopupButtons[kPopupSlots];

namespace {

constexpr int kDropDownTop = 186;

bool IsBar(int code) { return code >= kPopupBar1 && code < kPopupBar1 + 4; }

void DrawBarLabel(HDC dc, int bar, bool pressed) {
  if (bar < 0 || bar > 3) return;
  RECT label = {27, 207 + 29 * bar, 248, 230 + 29 * bar};
  if (pressed) OffsetRect(&label, -1, -1);
  PopupDrawText(dc, GetTransferBarText(bar), label, pressed ? RGB(0, 200, 0) : RGB(0, 255, 0),
             DT_LEFT | DT_TOP | DT_NOPREFIX);
}

void DrawPopupButton(const SkinButton *button, HWND window, bool pressed) {
  if (!button || !window) return;
  const RECT r = SkinButtonRect(*button);
  if (ActiveButton >= kPopupAnswer && ActiveButton <= kPopupAcknowledge) {
    if (pressed)
      DrawPopUpRectDown(&r, window);
    else
      DrawPopUpRectUp(&r, window);
  } else if (IsBar(ActiveButton)) {
    if (pressed)
      DrawDropDownRectDown(&r, window, r.left, r.top - kDropDownTop);
    else
      DrawDropDownRectUp(&r, window, r.left, r.top - kDropDownTop);
    HDC dc = GetDC(window);
    DrawBarLabel(dc, ActiveButton - kPopupBar1, pressed);
    ReleaseDC(window, dc);
  }
}

// The layer draws with the pressed button's code in ActiveButton.
void LayerDown(const SkinButtonEntry &button, HWND surface) {
  DrawPopUpButtonDn(button.button, surface);
}
void LayerUp(const SkinButtonEntry &button, HWND surface) {
  const int saved = ActiveButton;
  ActiveButton = button.code;
  DrawPopUpButtonUp(button.button, surface);
  ActiveButton = saved;
}
void LayerAct(int code) { PopupDecide(PopupButtonFocus, code); }

const SkinButtonLayer PopupLayer = {PopupButtons, kPopupButtonCount, LayerDown, LayerUp, LayerAct};

void Paint(HDC dc, int slot) {
  PopupFocus = slot;
  Do_WM_ERASEBKGNDPopup(dc);
  DrawPopUpLogo(dc);
}

bool Enabled(int slot, int code) { return PopupButtonEnabled(slot, code); }

void SetRegion(HRGN *kept, int slot, HWND window, int count, const NuvBand *bands) {
  if (slot < 0 || slot >= kPopupSlots || !window || count <= 0) return;
  kept[slot] = CreateWindowRegion(count, bands, window);
}

}  // namespace

const PopupKind FullPopup = {
    "PopupClass", "PopupBtnClass", kPopupHeight, 2000, hPopupButtons, &PopupFocus,
    &PopupButtonFocus, &NewPopupWindow, &PopupLayer, Build_PU_Region, Build_PUB_Region, Paint, 96,
    Enabled,
};

void IncommingCallPopup(char *payload, unsigned sessionId) {
  OpenPopupForCall(FullPopup, payload, sessionId);
}

void ShutDownIncommingCallPopup(char *payload, unsigned sessionId) {
  PopupCallEnded(payload, sessionId);
}

int OpenPopupDialog(int slot) { return OpenPopupWindow(FullPopup, slot); }

LRESULT CALLBACK PopupDlgBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  bool handled = false;
  const LRESULT result = PopupSharedMessage(FullPopup, window, message, wParam, lParam, &handled);
  return handled ? result : DefWindowProcA(window, message, wParam, lParam);
}

LRESULT DoPopup_WM_PARENTNOTIFY(HWND window, UINT, WPARAM wParam, LPARAM lParam) {
  PopupPressNotify(FullPopup, window, wParam, lParam);
  return 0;
}

void Build_PU_Region(int slot) {
  const NuvBand *bands = nullptr;
  const int count = PopupRegionBands(0, &bands);
  SetRegion(hRgnPopup, slot, PopupWindow(slot), count, bands);
}

void Build_PUB_Region(int slot) {
  const NuvBand *bands = nullptr;
  const int count = PopupButtonsRegionBands(0, &bands);
  SetRegion(hRgnPopupButtons, slot, hPopupButtons[slot], count, bands);
}

void Build_PUDD_Region(int n2, int slot) {
  const NuvBand *bands = nullptr;
  const int count = PopupRegionBands(n2 + 2, &bands);
  SetRegion(hRgnPopupDropdown, slot, PopupWindow(slot), count, bands);
}

void Build_PUDDB_Region(int n2, int slot) {
  const NuvBand *bands = nullptr;
  const int count = PopupButtonsRegionBands(n2 + 2, &bands);
  SetRegion(hRgnPopupDropdownButtons, slot, hPopupButtons[slot], count, bands);
}

void Do_WM_ERASEBKGNDPopup(HDC dc) {
  const int slot = PopupFocus;
  if (slot < 0 || slot >= kPopupSlots) return;
  DrawPopUp(dc);
  if (PopUpState[slot] == kPopUpStateDropDown) {
    const int n = TransferNumbers;
    // The drop-down below the pop-up, then its closing rows at the bottom of
    // the n bars (the picture's last 35 rows: reading 29 n - 5 rows from row
    // 111 would run past its 146 rows).
    const RECT part = {0, kDropDownTop, kPopupWidth, 181 + 29 * n};
    const RECT closing = {0, 111, kPopupWidth, 35};
    DrawVariableDropDown(dc, &part, POINT{0, 0}, &closing);
    for (int bar = 0; bar < n && bar < 4; ++bar) DrawBarLabel(dc, bar, false);
  }
  DrawMessageCallerText(slot);
  DrawPopupUserIdText(slot);
  if (GetTransferNumberCount() == 0) DrawTransferGreyed(dc);
}

void DrawMessageCallerText(int slot) { PopupDrawCaller(slot, false); }

void DrawPopupUserIdText(int slot) {
  if (slot < 0 || slot >= kPopupSlots || !PopupWindow(slot)) return;
  HWND window = PopupWindow(slot);
  HDC dc = GetDC(window);
  PopupDrawText(dc, Config.USERID, RECT{94, 103, 217, 118}, RGB(0, 255, 0), DT_CENTER | DT_VCENTER);
  ReleaseDC(window, dc);
}

void DrawMessageBarTextUp(HDC dc, int bar) { DrawBarLabel(dc, bar, false); }
void DrawMessageBarTextDn(HDC dc, int bar) { DrawBarLabel(dc, bar, true); }

void DrawPopUpButtonDn(const SkinButton *button, HWND window) { DrawPopupButton(button, window, true); }
void DrawPopUpButtonUp(const SkinButton *button, HWND window) { DrawPopupButton(button, window, false); }
