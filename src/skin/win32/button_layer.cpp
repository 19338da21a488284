#include "skin/win32/button_layer.h"

#include "shell/main_layout.h"
#include "skin/win32/skin.h"

int SkinLayerPress(const SkinButtonLayer &layer, HWND surface, int x, int y) {
  const SkinButtonEntry *hit = SkinPress(layer.buttons, layer.count, x, y, &ActiveButton);
  if (!hit) return 0;
  if (layer.drawDown) layer.drawDown(*hit, surface);
  return hit->code;
}

LRESULT SkinLayerMessage(const SkinButtonLayer &layer, HWND surface, HWND child, UINT message,
                         WPARAM, LPARAM lParam, bool *handled) {
  *handled = true;
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      // The system button would paint a grey face over the picture.
      PAINTSTRUCT ps;
      BeginPaint(child, &ps);
      EndPaint(child, &ps);
      return 0;
    }
    case WM_MOUSEACTIVATE:
      SetCapture(child);
      return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
      // The press itself reached the window as a parent notification.
      SetCapture(child);
      return 0;
    case WM_LBUTTONUP: {
      ReleaseCapture();
      int act = 0;
      const SkinButtonEntry *pressed =
          SkinRelease(layer.buttons, layer.count, static_cast<short>(LOWORD(lParam)),
                      static_cast<short>(HIWORD(lParam)), &ActiveButton, &act);
      if (!pressed) return 0;
      if (layer.drawUp) layer.drawUp(*pressed, surface);
      if (act && layer.act) layer.act(pressed->code);
      return 0;
    }
    default:
      *handled = false;
      return 0;
  }
}

LRESULT SkinPaletteLayerProc(const SkinButtonLayer &layer, HWND child, UINT message, WPARAM wParam,
                             LPARAM lParam, WNDPROC systemProc) {
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
  const LRESULT result = SkinLayerMessage(layer, surface, child, message, wParam, lParam, &handled);
  if (handled) return result;
  return CallWindowProcA(systemProc, child, message, wParam, lParam);
}

int RegisterSkinLayerClass(HINSTANCE instance, const char *name, WNDPROC proc, WNDPROC *systemProc) {
  WNDCLASSA wc = {};
  if (!GetClassInfoA(nullptr, "BUTTON", &wc)) return 0;
  *systemProc = wc.lpfnWndProc;
  wc.lpfnWndProc = proc;
  wc.style = 5;
  wc.hInstance = instance;
  wc.lpszClassName = name;
  return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
