// The message window's button layer: the link, OK and the close box.

#include "shell/win32/message.h"

#include "skin/win32/button_layer.h"
#include "skin/win32/skin.h"

int RegisterMessageButtonClass() {
  WNDCLASSA wc = {};
  if (!GetClassInfoA(nullptr, "BUTTON", &wc)) return 0;
  SystemButtonProc = wc.lpfnWndProc;
  wc.lpfnWndProc = MessageButtonProc;
  wc.style = 5;
  wc.hInstance = hInst;
  wc.lpszClassName = "MessageButtonClass";
  return RegisterClassA(&wc) != 0;
}

LRESULT CALLBACK MessageButtonProc(HWND child, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND surface = GetParent(child);
  switch (message) {
    case WM_QUERYNEWPALETTE:
      RealizeWindowPalette(surface, GethPalette());
      return TRUE;
    case WM_PALETTECHANGED:
      if (reinterpret_cast<HWND>(wParam) != surface && reinterpret_cast<HWND>(wParam) != child)
        RealizeWindowPalette(surface, GethPalette());
      return 0;
    default:
      break;
  }
  bool handled = false;
  const LRESULT result =
      SkinLayerMessage(MessageButtonLayer, surface, child, message, wParam, lParam, &handled);
  if (handled) return result;
  return CallWindowProcA(SystemButtonProc, child, message, wParam, lParam);
}
