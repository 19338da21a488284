// The message window's button layer: the link, OK and the close box.

#include "shell/win32/message.h"

#include "skin/win32/button_layer.h"

int RegisterMessageButtonClass() {
  return RegisterSkinLayerClass(hInst, "MessageButtonClass", MessageButtonProc, &SystemButtonProc);
}

LRESULT CALLBACK MessageButtonProc(HWND child, UINT message, WPARAM wParam, LPARAM lParam) {
  return SkinPaletteLayerProc(MessageButtonLayer, child, message, wParam, lParam, SystemButtonProc);
}
