#include "platform/files.h"

#include <windows.h>

char PlatPathSeparator() { return '\\'; }

int PlatFullPath(const char *name, char *buf, int size) {
  if (!buf || size <= 0) return 0;
  buf[0] = '\0';
  if (!name || !*name) return 0;
  // The result counts without the terminator when it fits, with it when not.
  const DWORD n = GetFullPathNameA(name, static_cast<DWORD>(size), buf, nullptr);
  if (n == 0 || n >= static_cast<DWORD>(size)) {
    buf[0] = '\0';
    return 0;
  }
  return static_cast<int>(n);
}

int PlatTempFolder(char *buf, int size) {
  if (!buf || size <= 0) return 0;
  buf[0] = '\0';
  const DWORD n = GetTempPathA(static_cast<DWORD>(size), buf);
  if (n == 0 || n >= static_cast<DWORD>(size)) {
    buf[0] = '\0';
    return 0;
  }
  if (buf[n - 1] != '\\' && buf[n - 1] != '/') {
    if (n + 1 >= static_cast<DWORD>(size)) {
      buf[0] = '\0';
      return 0;
    }
    buf[n] = '\\';
    buf[n + 1] = '\0';
    return static_cast<int>(n + 1);
  }
  return static_cast<int>(n);
}
