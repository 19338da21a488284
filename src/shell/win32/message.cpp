// The message window: what a server has to tell the subscriber, with a link
// to a page of its choosing or, without one, to the product's web site.

#include "shell/win32/message.h"
#include <shellapi.h>

#include "platform/string_table.h"
#include "protocol/app_hooks.h"
#include "shell/msgbox.h"
#include "skin/bands_generated.h"
#include "skin/win32/button_layer.h"
#include "skin/win32/skin.h"

HWND hMessageWnd;
char *MessageText;
char MessageUrl[kMessageUrlSize];
HWND hMessageEdit;
HWND hMessageButtons;
HBRUSH hMessageBrush;
int MessageButtonPressed;

const SkinButton MessageBTNLink = MakeSkinButton(115, 193, 174, 227);
const SkinButton MessageBTNOk = MakeSkinButton(191, 193, 250, 227);
const SkinButton MessageBTNClose = MakeSkinButton(341, 7, 357, 21);

namespace {

constexpr COLORREF kPanelGreen = RGB(0, 90, 0);
constexpr COLORREF kTextGreen = RGB(0, 255, 0);

// The close box first: it is tested before the two large buttons.
const SkinButtonEntry MessageButtons[] = {
    {&MessageBTNClose, kMessageClose},
    {&MessageBTNLink, kMessageLink},
    {&MessageBTNOk, kMessageOk},
};

void LayerDown(const SkinButtonEntry &button, HWND surface) {
  const RECT r = SkinButtonRect(*button.button);
  DrawMessageButton(&r, surface, 1);
  MessageButtonPressed = button.code;
}

void LayerUp(const SkinButtonEntry &button, HWND surface) {
  const RECT r = SkinButtonRect(*button.button);
  DrawMessageButton(&r, surface, 0);
  MessageButtonPressed = 0;
}

void LayerAct(int code) {
  if (code == kMessageLink) {
    const INT_PTR result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(hMessageButtons, "open", MessageUrl, nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) HandleShellExecuteError(MessageUrl);
    return;
  }
  if (hMessageWnd) DestroyWindow(hMessageWnd);
}

// A short text needs no scroll bar.
void FitScrollBar(HWND edit) {
  HDC dc = GetDC(edit);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0)));
  TEXTMETRICA tm = {};
  GetTextMetricsA(dc, &tm);
  if (old) SelectObject(dc, old);
  ReleaseDC(edit, dc);
  const LRESULT lines = SendMessageA(edit, EM_GETLINECOUNT, 0, 0);
  RECT format = {};
  SendMessageA(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
  if (lines * tm.tmHeight <= format.bottom) ShowScrollBar(edit, SB_VERT, FALSE);
}

LRESULT Do_WM_CREATE(HWND window) {
  hMessageWnd = window;
  OpenHiddenWindow();
  CreateWindowRegion(MessageRegionRectCount, MessageRegionRect, window);

  hMessageButtons = CreateWindowExA(
      WS_EX_TRANSPARENT, "MessageButtonClass", "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | 0x100, 0,
      0, kMessageWidth, kMessageHeight, window,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMessageButtonsId)), hInst, nullptr);
  CreateWindowRegion(MessageButtonsRegionRectCount, MessageButtonsRegionRect, hMessageButtons);

  hMessageEdit = CreateWindowExA(
      0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL, 20, 49, 323,
      134, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMessageEditId)), hInst, nullptr);
  SendMessageA(hMessageEdit, WM_SETFONT, reinterpret_cast<WPARAM>(holdsfont), TRUE);

  char site[kMessageUrlSize];
  PlatLoadString(kIdsProductSite, site, sizeof site);
  const char *body = SplitMessageLink(MessageText, site, MessageUrl, sizeof MessageUrl);
  // Static: far too large for the stack of a window procedure. A longer text
  // is cut to what the field's buffer holds.
  static char expanded[kMessageBodySize];
  ExpandMessageBody(body, expanded, sizeof expanded);

  hMessageBrush = CreateSolidBrush(kPanelGreen);
  SetWindowTextA(hMessageEdit, expanded);
  FitScrollBar(hMessageEdit);
  return 0;
}

LRESULT Do_WM_DESTROY() {
  hMessageWnd = nullptr;
  hMessageEdit = nullptr;
  hMessageButtons = nullptr;
  MessageButtonPressed = 0;
  if (hMessageBrush) DeleteObject(hMessageBrush);
  hMessageBrush = nullptr;
  TryCloseHiddenWindow(nullptr);
  return 0;
}

LRESULT Do_WM_ERASEBKGND(WPARAM wParam) {
  DrawMessageBoxUp(reinterpret_cast<HDC>(wParam));
  return 1;
}

// The whole panel drags the window.
LRESULT Do_WM_NCHITTEST(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT hit = DefWindowProcA(window, message, wParam, lParam);
  return hit == HTCLIENT ? HTCAPTION : hit;
}

LRESULT Do_WM_CTLCOLOREDIT(WPARAM wParam, LPARAM lParam) {
  if (reinterpret_cast<HWND>(lParam) != hMessageEdit || !hMessageEdit) return 0;
  HDC dc = reinterpret_cast<HDC>(wParam);
  SetTextColor(dc, kTextGreen);
  SetBkColor(dc, kPanelGreen);
  return reinterpret_cast<LRESULT>(hMessageBrush);
}

}  // namespace

const SkinButtonLayer MessageButtonLayer = {MessageButtons, 3, LayerDown, LayerUp, LayerAct};

int RegisterMessageClass() {
  WNDCLASSA wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = MessageProc;
  wc.hInstance = hInst;
  wc.hIcon = LoadIconA(hInst, MAKEINTRESOURCEA(kIconProgram));
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // arrow
  wc.hbrBackground = CreateSolidBrush(kPanelGreen);
  wc.lpszClassName = "MessageClass";
  return RegisterClassA(&wc) != 0;
}

void CreateMessageWindow(void *instance, PlatWindow owner, char *text) {
  MessageText = text;
  // While one is open, further texts are dropped.
  if (hMessageWnd) return;
  CreateWindowExA(0, "MessageClass", "", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, CW_USEDEFAULT,
                  CW_USEDEFAULT, kMessageWidth, kMessageHeight, static_cast<HWND>(owner), nullptr,
                  static_cast<HINSTANCE>(instance), nullptr);
  // The text lay in the caller's buffer, which is gone after this call.
  MessageText = nullptr;
}

LRESULT MessageParentNotify(HWND window, UINT, WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) != WM_LBUTTONDOWN) return 0;
  SkinLayerPress(MessageButtonLayer, window, static_cast<short>(LOWORD(lParam)),
                 static_cast<short>(HIWORD(lParam)));
  return 0;
}

LRESULT CALLBACK MessageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return Do_WM_CREATE(window);
    case WM_DESTROY:
      return Do_WM_DESTROY();
    case WM_ERASEBKGND:
      return Do_WM_ERASEBKGND(wParam);
    case WM_NCHITTEST:
      return Do_WM_NCHITTEST(window, message, wParam, lParam);
    case WM_CTLCOLOREDIT:
      return Do_WM_CTLCOLOREDIT(wParam, lParam);
    case WM_PARENTNOTIFY:
      return MessageParentNotify(window, message, wParam, lParam);
    case WM_QUERYNEWPALETTE:
      RealizeWindowPalette(window, GethPalette());
      return TRUE;
    case WM_PALETTECHANGED:
      if (reinterpret_cast<HWND>(wParam) != window) RealizeWindowPalette(window, GethPalette());
      return 0;
    case WM_COMMAND:
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}
