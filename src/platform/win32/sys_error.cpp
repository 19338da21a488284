#include "platform/sys_error.h"

#include <windows.h>

#include <cstring>

unsigned PlatLastError() { return GetLastError(); }

void PlatSetLastError(unsigned code) { SetLastError(code); }

int PlatSysErrorText(unsigned code, char *buf, int size) {
  if (!buf || size <= 0) return 0;
  buf[0] = '\0';
  // Format into room of our own so a long text is cut, not refused.
  char local[1024];
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), local,
                                 sizeof local, nullptr);
  if (n == 0 || n >= sizeof local) return 0;
  size_t len = n;
  while (len && (local[len - 1] == '\n' || local[len - 1] == '\r' || local[len - 1] == ' ')) --len;
  if (len > static_cast<size_t>(size - 1)) len = static_cast<size_t>(size - 1);
  std::memcpy(buf, local, len);
  buf[len] = '\0';
  return static_cast<int>(len);
}
