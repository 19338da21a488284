#include "platform/message_box.h"

namespace {
PlatMessageBoxHook g_hook = nullptr;
}

// There is no desktop natively: an unhooked box is answered with OK at once.
int PlatMessageBox(PlatWindow owner, const char *text, const char *caption, unsigned style) {
  if (g_hook) return g_hook(owner, text ? text : "", caption ? caption : "", style);
  return kIdOk;
}

void PlatSetMessageBoxHook(PlatMessageBoxHook hook) { g_hook = hook; }
