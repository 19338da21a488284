#include "platform/string_table.h"

#include <windows.h>

namespace {
HINSTANCE g_module = nullptr;
}

int PlatLoadString(unsigned id, char *buf, int size) {
  if (!buf || size <= 0) return 0;
  buf[0] = '\0';
  HINSTANCE module = g_module ? g_module : GetModuleHandleA(nullptr);
  int n = LoadStringA(module, id, buf, size);
  if (n <= 0) buf[0] = '\0';
  return n > 0 ? n : 0;
}

void PlatSetStringModule(void *module) { g_module = static_cast<HINSTANCE>(module); }
