#include "skin/win32/skin.h"

void RealizeWindowPalette(HWND window, HPALETTE palette) {
  HDC dc = GetDC(window);
  if (!dc) return;
  HPALETTE old = palette ? SelectPalette(dc, palette, FALSE) : nullptr;
  RealizePalette(dc);
  if (old) SelectPalette(dc, old, FALSE);
  ReleaseDC(window, dc);
  InvalidateRect(window, nullptr, TRUE);
}
