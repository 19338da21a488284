// The configuration window's button layer: OK, Cancel, Apply and the close
// box, in the one pattern of every skinned window.

#include "config/win32/config_window.h"

#include "skin/win32/button_layer.h"

int RegisterConfigButtonClass(HINSTANCE instance) {
  return RegisterSkinLayerClass(instance, "ConfigButtonClass", ConfigButtonProc, &SystemButtonProc);
}

LRESULT CALLBACK ConfigButtonProc(HWND child, UINT message, WPARAM wParam, LPARAM lParam) {
  return SkinPaletteLayerProc(ConfigButtonLayer, child, message, wParam, lParam, SystemButtonProc);
}
