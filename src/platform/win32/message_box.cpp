#include "platform/message_box.h"

#include <windows.h>

namespace {
PlatMessageBoxHook g_hook = nullptr;
}

int PlatMessageBox(PlatWindow owner, const char *text, const char *caption, unsigned style) {
  if (!text) text = "";
  if (!caption) caption = "";
  if (g_hook) return g_hook(owner, text, caption, style);
  return MessageBoxA(static_cast<HWND>(owner), text, caption, style);
}

void PlatSetMessageBoxHook(PlatMessageBoxHook hook) { g_hook = hook; }
