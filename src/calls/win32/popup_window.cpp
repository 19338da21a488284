#include "calls/win32/popup_window.h"

#include <cstring>

#include "calls/callerlist.h"
#include "config/config.h"
#include "shell/cycle.h"
#include "skin/win32/skin.h"

HRGN hRgnPopup[kPopupSlots], hRgnPopupButtons[kPopupSlots];
HRGN hRgnPopupDropdown[kPopupSlots], hRgnPopupDropdownButtons[kPopupSlots];

namespace {

// Every open pop-up stepped out of the top band and back in, so that the
// window system stacks them on top again, slot 0 uppermost.
void RestackPopups() {
  constexpr UINT kRestack = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
  for (int i = kPopupSlots - 1; i >= 0; --i) {
    if (!PopupWindow(i)) continue;
    SetWindowPos(PopupWindow(i), HWND_NOTOPMOST, 0, 0, 0, 0, kRestack);
    SetWindowPos(PopupWindow(i), HWND_TOPMOST, 0, 0, 0, 0, kRestack);
  }
}

const PopupKind *KindOfSlot(int slot) {
  HWND window = PopupWindow(slot);
  if (!window) return nullptr;
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return std::strcmp(name, BasicPopup.className) == 0 ? &BasicPopup : &FullPopup;
}

void PlaceTopmost(const PopupKind &kind, HWND window, int slot, UINT show) {
  int x, y;
  PopupPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), kPopupWidth, kind.height,
                slot, &x, &y);
  SetWindowPos(window, HWND_TOPMOST, x, y, kPopupWidth, kind.height, SWP_NOACTIVATE | show);
}

LRESULT Do_WM_CREATE(const PopupKind &kind, HWND window) {
  const int slot = *kind.creating;
  if (slot < 0 || slot >= kPopupSlots) return -1;
  HWND previous = GetForegroundWindow();
  POINT cursor;
  if (GetCursorPos(&cursor)) SetCursorPos(cursor.x, cursor.y);
  hQryWndPop[slot] = window;
  PlaceTopmost(kind, window, slot, 0);

  kind.buildRegion(slot);
  HWND buttons = CreateWindowExA(0, kind.buttonClassName, "", WS_CHILD | WS_VISIBLE, 0, 0,
                                 kPopupWidth, kind.height, window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kind.buttonId)),
                                 hInst, nullptr);
  kind.buttons[slot] = buttons;
  kind.buildButtonRegion(slot);
  PlaceTopmost(kind, window, slot, SWP_SHOWWINDOW);

  // Every open pop-up on top, slot 0 uppermost, without activating any of
  // them: the user's program keeps the keyboard and is never deactivated.
  *kind.creating = -1;
  RestackPopups();
  if (previous && previous != window && GetForegroundWindow() != previous)
    SetForegroundWindow(previous);
  Popup_AssertCyclingTimer();
  return 0;
}

LRESULT Do_WM_NCHITTEST(const PopupKind &kind, HWND window, UINT message, WPARAM wParam,
                        LPARAM lParam) {
  const LRESULT hit = DefWindowProcA(window, message, wParam, lParam);
  if (hit != HTCLIENT) return hit;
  POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  ScreenToClient(window, &pt);
  const bool inside = pt.x > 0 && pt.x < kPopupWidth && pt.y > 0 && pt.y < kind.height;
  return inside ? HTCAPTION : hit;
}

}  // namespace

void PopupDrawText(HDC dc, const char *text, RECT where, COLORREF colour, UINT format) {
  HGDIOBJ oldFont = SelectObject(dc, hnewsfont);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  DrawTextA(dc, text, -1, &where, format);
  if (oldFont) SelectObject(dc, oldFont);
}

void PopupDrawCaller(int slot, bool userId) {
  if (slot < 0 || slot >= kPopupSlots || !PopupWindow(slot)) return;
  HWND window = PopupWindow(slot);
  HDC dc = GetDC(window);
  const COLORREF colour = GetCurrentCycleColour();
  PopupDrawText(dc, Caller[slot].name, RECT{28, 48, 213, 68}, colour, DT_CENTER | DT_VCENTER | DT_NOPREFIX);
  PopupDrawText(dc, Caller[slot].number, RECT{28, 64, 213, 84}, colour, DT_CENTER | DT_VCENTER);
  if (userId) PopupDrawText(dc, Config.USERID, RECT{94, 103, 217, 118}, RGB(0, 255, 0), DT_CENTER | DT_VCENTER);
  ReleaseDC(window, dc);
}

void PopupPressNotify(const PopupKind &kind, HWND window, WPARAM wParam, LPARAM lParam) {
  // A press comes forward; the creation of the button window, which also
  // notifies, must not: it would take the keyboard from the user's program.
  const WORD event = LOWORD(wParam);
  if (event != WM_LBUTTONDOWN && event != WM_RBUTTONDOWN && event != WM_MBUTTONDOWN) return;
  SetForegroundWindow(window);
  if (event != WM_LBUTTONDOWN) return;
  const int slot = *kind.focus;
  const int x = static_cast<short>(LOWORD(lParam));
  const int y = static_cast<short>(HIWORD(lParam));
  const SkinButtonEntry *hit = SkinHitButton(kind.layer->buttons, kind.layer->count, x, y);
  if (!hit || (kind.enabled && !kind.enabled(slot, hit->code))) return;
  SkinLayerPress(*kind.layer, window, x, y);
}

void OpenPopupForCall(const PopupKind &kind, char *payload, unsigned sessionId) {
  const int slot = TakeCall(payload, sessionId);
  if (slot < 0) return;
  *kind.creating = slot;
  OpenPopupWindow(kind, slot);
  Caller[slot].hwnd = hQryWndPop[slot];
}

int OpenPopupWindow(const PopupKind &kind, int slot) {
  if (PopupsActive >= kPopupSlots) return -1;
  ++PopupsActive;
  HWND window = CreateWindowExA(WS_EX_TOPMOST, kind.className, "NUV Popup", WS_POPUP, CW_USEDEFAULT,
                                CW_USEDEFAULT,
                                kPopupWidth, kind.height, nullptr, nullptr, hInst, nullptr);
  if (!window) {
    --PopupsActive;
    return -1;
  }
  char title[96];
  PopupTitle(slot, title, static_cast<int>(kind.titleSize < sizeof title ? kind.titleSize : sizeof title));
  SetWindowTextA(window, title);
  OpenHiddenWindow();
  return 0;
}

LRESULT PopupSharedMessage(const PopupKind &kind, HWND window, UINT message, WPARAM wParam,
                           LPARAM lParam, bool *handled) {
  *kind.focus = SlotOfWindow(hQryWndPop, window, *kind.focus);
  *handled = true;
  switch (message) {
    case WM_CREATE:
      return Do_WM_CREATE(kind, window);
    case WM_CLOSE:
      ReleaseCapture();
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      hQryWndPop[*kind.focus] = nullptr;
      TryCloseHiddenWindow(nullptr);
      Popup_CheckKillCyclingTimer();
      return 0;
    case WM_NCDESTROY: {
      const int slot = *kind.focus;
      if (slot >= 0 && slot < kPopupSlots) {
        hQryWndPop[slot] = nullptr;
        PopUpState[slot] = kPopUpStateNormal;
        kind.buttons[slot] = nullptr;
      }
      if (PopupsActive > 0) --PopupsActive;
      return DefWindowProcA(window, message, wParam, lParam);
    }
    case WM_ERASEBKGND:
      kind.paint(reinterpret_cast<HDC>(wParam), *kind.focus);
      return 1;
    case WM_NCHITTEST:
      return Do_WM_NCHITTEST(kind, window, message, wParam, lParam);
    case WM_PARENTNOTIFY:
      PopupPressNotify(kind, window, wParam, lParam);
      return 0;
    case WM_QUERYNEWPALETTE:
      RealizeWindowPalette(window, GethPalette());
      return TRUE;
    case WM_PALETTECHANGED:
      if (reinterpret_cast<HWND>(wParam) != window) RealizeWindowPalette(window, GethPalette());
      return 0;
    default:
      *handled = false;
      return 0;
  }
}

LRESULT PopupButtonMessage(const PopupKind &kind, HWND child, UINT message, WPARAM wParam,
                           LPARAM lParam) {
  for (int i = 0; i < kPopupSlots; ++i)
    if (kind.buttons[i] == child) *kind.buttonFocus = i;
  if (*kind.buttonFocus < 0 || *kind.buttonFocus >= kPopupSlots) *kind.buttonFocus = 0;
  bool handled = false;
  const LRESULT result = SkinLayerMessage(*kind.layer, GetParent(child), child, message, wParam,
                                          lParam, &handled);
  if (handled) return result;
  return CallWindowProcA(SystemButtonProc, child, message, wParam, lParam);
}

// --- What the decisions call in the windows ---

void ClosePopupWindow(int slot) {
  if (slot < 0 || slot >= kPopupSlots) return;
  if (HWND window = PopupWindow(slot)) SendMessageA(window, WM_CLOSE, 0, 0);
}

void OpenTransferDropDown(int slot, int n) {
  if (slot < 0 || slot >= kPopupSlots) return;
  HWND window = PopupWindow(slot);
  if (!window || KindOfSlot(slot) != &FullPopup) return;
  if (n < 2 || n > 4) return;
  Build_PUDD_Region(n - 2, slot);
  Build_PUDDB_Region(n - 2, slot);
  const int height = DropDownHeight(n);
  if (HWND buttons = hPopupButtons[slot])
    SetWindowPos(buttons, nullptr, 0, 0, kPopupWidth, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(window, nullptr, 0, 0, kPopupWidth, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(window, nullptr, TRUE);
}

void ShowMainAfterCall(int foregroundOwner) {
  SetWindowPos(hNuvMainScreen, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  SetWindowPos(hMainScreen, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  if (foregroundOwner) {
    OpenMainWindow();
    SetForegroundWindow(hNuvMainScreen);
  } else {
    SetForegroundWindow(hMainScreen);
  }
}
