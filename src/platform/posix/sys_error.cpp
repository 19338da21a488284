#include "platform/sys_error.h"

#include <cerrno>
#include <cstring>

unsigned PlatLastError() { return static_cast<unsigned>(errno); }

void PlatSetLastError(unsigned code) { errno = static_cast<int>(code); }

int PlatSysErrorText(unsigned code, char *buf, int size) {
  if (!buf || size <= 0) return 0;
  buf[0] = '\0';
  if (code == 0) return 0;
  // The XSI strerror_r fills the caller's buffer; the GNU one may return a
  // static text instead. Both are bounded.
  char local[256] = {};
  const char *text = local;
#if defined(__GLIBC__) && defined(_GNU_SOURCE)
  text = strerror_r(static_cast<int>(code), local, sizeof local);
#else
  if (strerror_r(static_cast<int>(code), local, sizeof local) != 0) return 0;
#endif
  if (!text) return 0;
  size_t n = std::strlen(text);
  while (n && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == ' ')) --n;
  if (n > static_cast<size_t>(size - 1)) n = static_cast<size_t>(size - 1);
  std::memcpy(buf, text, n);
  buf[n] = '\0';
  return static_cast<int>(n);
}
