#pragma once
// The one pattern of every skinned window's buttons: a transparent child
// layer, shaped to the buttons, over the window's picture. A left press on a
// button reaches the window as a parent notification and draws the button
// down; the layer keeps the mouse until the release, which draws it up again
// and acts only when it happens inside the same button.

#include <windows.h>

#include "skin/buttons.h"

// A button's rectangle as the drawing operations take it.
inline RECT SkinButtonRect(const SkinButton &b) { return RECT{b.left, b.top, b.right, b.bottom}; }

struct SkinButtonLayer {
  const SkinButtonEntry *buttons;  // in the order presses are tested
  int count;
  // Draw a button pressed or released on the surface window.
  void (*drawDown)(const SkinButtonEntry &button, HWND surface);
  void (*drawUp)(const SkinButtonEntry &button, HWND surface);
  void (*act)(int code);  // a press and release inside the same button
};

// The window's parent notification of a left press at (x, y), client
// coordinates of surface: the button hit is drawn down and becomes the
// pressed one (ActiveButton). Returns its code, or 0.
int SkinLayerPress(const SkinButtonLayer &layer, HWND surface, int x, int y);

// The layer's messages that the pattern owns: nothing painted (the window
// below shows the buttons), the mouse kept from the press to the release,
// no activation through the layer, the release. Sets *handled and returns
// the message's result; other messages are left to the caller.
LRESULT SkinLayerMessage(const SkinButtonLayer &layer, HWND surface, HWND child, UINT message,
                         WPARAM wParam, LPARAM lParam, bool *handled);

// The whole procedure of a layer whose window realises the program's
// palette: palette messages repaint the window below, the pattern's
// messages are handled, the rest goes to the system button procedure.
LRESULT SkinPaletteLayerProc(const SkinButtonLayer &layer, HWND child, UINT message, WPARAM wParam,
                             LPARAM lParam, WNDPROC systemProc);

// A layer class derived from the system button, with proc as its
// procedure; *systemProc gets the system's. A class registered before
// counts as success.
int RegisterSkinLayerClass(HINSTANCE instance, const char *name, WNDPROC proc, WNDPROC *systemProc);
