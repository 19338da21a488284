#include "platform/profile.h"

#include "platform/files.h"

#include <windows.h>

#include <cstring>

namespace {

// The default without its trailing blanks, as the system copies it when the
// lookup cannot even start.
int CopyDefault(const char *def, char *buf, int size) {
  if (!def) def = "";
  size_t n = std::strlen(def);
  while (n > 0 && def[n - 1] == ' ') --n;
  if (n > static_cast<size_t>(size - 1)) n = static_cast<size_t>(size - 1);
  std::memcpy(buf, def, n);
  buf[n] = '\0';
  return static_cast<int>(n);
}

}  // namespace

int PlatGetProfileString(const char *section, const char *key, const char *def, char *buf,
                         int size, const char *path) {
  if (!buf || size <= 0) return 0;
  // A null section or key would ask the system for a list of names instead.
  if (!section || !key || !path) return CopyDefault(def, buf, size);
  return static_cast<int>(GetPrivateProfileStringA(section, key, def ? def : "", buf,
                                                   static_cast<DWORD>(size), path));
}

unsigned PlatGetProfileInt(const char *section, const char *key, int def, const char *path) {
  if (!section || !key || !path) return static_cast<unsigned>(def);
  return GetPrivateProfileIntA(section, key, def, path);
}

int PlatWriteProfileString(const char *section, const char *key, const char *value,
                           const char *path) {
  if (!section || !path) return 0;
  // The system would write a line break inside a value as it stands, which
  // turns the rest of the value into lines of their own.
  char cut[1024];
  if (value && std::strpbrk(value, "\r\n")) {
    size_t n = std::strcspn(value, "\r\n");
    if (n > sizeof cut - 1) n = sizeof cut - 1;
    std::memcpy(cut, value, n);
    cut[n] = '\0';
    value = cut;
  }
  PlatFileStepReached(kFileStepProfile, path);
  return WritePrivateProfileStringA(section, key, value, path) ? 1 : 0;
}
