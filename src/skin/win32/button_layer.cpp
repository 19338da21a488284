#include "skin/win32/button_layer.h"

#include "shell/main_layout.h"

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
