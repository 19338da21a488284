#pragma once
// What the full and the basic pop-up share: the slot bookkeeping of their
// windows, placement without taking the keyboard, shape, dragging, palette,
// the button layer and the window operations the decisions call. Each kind
// describes itself once; its window procedure hands the shared messages here.

#include "shell/win32/shell.h"  // first: Windows Sockets before windows.h

#include "calls/popup_logic.h"
#include "skin/win32/button_layer.h"

struct PopupKind {
  const char *className;
  const char *buttonClassName;
  int height;
  int buttonId;
  HWND *buttons;     // the button window of each slot
  int *focus;        // slot whose pop-up procedure runs
  int *buttonFocus;  // slot whose button window procedure runs
  int *creating;     // slot being created, -1 otherwise
  const SkinButtonLayer *layer;
  // Shape the slot's pop-up, then its button window, once each exists.
  void (*buildRegion)(int slot);
  void (*buildButtonRegion)(int slot);
  void (*paint)(HDC dc, int slot);  // the background erase
  unsigned titleSize;               // the window text's room
  // Whether a press on the button with this code is taken.
  bool (*enabled)(int slot, int code);
};

extern const PopupKind FullPopup;
extern const PopupKind BasicPopup;

// A call notification of this kind: a free slot, the call, its window.
void OpenPopupForCall(const PopupKind &kind, char *payload, unsigned sessionId);
// Creates the window of slot; -1 when three pop-ups exist already.
int OpenPopupWindow(const PopupKind &kind, int slot);

// The messages the pop-ups handle alike; *handled tells whether it was one.
LRESULT PopupSharedMessage(const PopupKind &kind, HWND window, UINT message, WPARAM wParam,
                           LPARAM lParam, bool *handled);
// A parent notification: the pop-up comes forward; a left press on an
// enabled button draws it down and makes it the pressed one.
void PopupPressNotify(const PopupKind &kind, HWND window, WPARAM wParam, LPARAM lParam);
// The button window procedure's body for either kind.
LRESULT PopupButtonMessage(const PopupKind &kind, HWND child, UINT message, WPARAM wParam,
                           LPARAM lParam);

// Text in the bold font, transparent, into a rectangle.
void PopupDrawText(HDC dc, const char *text, RECT where, COLORREF colour, UINT format);
// The caller's name and number in the cycling colour on slot's pop-up, and
// with userId the monitored number in green.
void PopupDrawCaller(int slot, bool userId);

// The regions last built for each slot (owned by their windows).
extern HRGN hRgnPopup[kPopupSlots], hRgnPopupButtons[kPopupSlots];
extern HRGN hRgnPopupDropdown[kPopupSlots], hRgnPopupDropdownButtons[kPopupSlots];

// The full pop-up's button windows, one per slot.
extern HWND hPopupButtons[kPopupSlots];

// --- The full pop-up ---
int OpenPopupDialog(int slot);
void Build_PU_Region(int slot);
void Build_PUB_Region(int slot);
// n2 = transfer numbers - 2 (0..2): the drop-down shapes, applied at once.
void Build_PUDD_Region(int n2, int slot);
void Build_PUDDB_Region(int n2, int slot);
LRESULT DoPopup_WM_PARENTNOTIFY(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void Do_WM_ERASEBKGNDPopup(HDC dc);
void DrawPopupUserIdText(int slot);
void DrawMessageBarTextUp(HDC dc, int bar);
void DrawMessageBarTextDn(HDC dc, int bar);
void DrawPopUpButtonDn(const SkinButton *button, HWND window);
void DrawPopUpButtonUp(const SkinButton *button, HWND window);

// --- The basic pop-up ---
int OpenBasicPopupDialog(int slot);
LRESULT DoBasicPopup_WM_PARENTNOTIFY(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
