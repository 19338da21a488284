#include "platform/files.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {

// Appends n bytes of s to buf (len in, len out); false when it does not fit.
bool Append(char *buf, int size, int &len, const char *s, size_t n) {
  if (n >= static_cast<size_t>(size - len)) return false;
  std::memcpy(buf + len, s, n);
  len += static_cast<int>(n);
  buf[len] = '\0';
  return true;
}

int Fail(char *buf) {
  buf[0] = '\0';
  return 0;
}

}  // namespace

char PlatPathSeparator() { return '/'; }

// Like the Windows call: the result is absolute and free of "." and ".."
// parts, worked out from the text alone (links are not followed).
int PlatFullPath(const char *name, char *buf, int size) {
  if (!buf || size <= 0) return 0;
  buf[0] = '\0';
  if (!name || !*name) return 0;
  char joined[4096];
  int jlen = 0;
  joined[0] = '\0';
  if (name[0] != '/') {
    if (!getcwd(joined, sizeof joined)) return Fail(buf);
    jlen = static_cast<int>(std::strlen(joined));
    if (!Append(joined, sizeof joined, jlen, "/", 1)) return Fail(buf);
  }
  if (!Append(joined, sizeof joined, jlen, name, std::strlen(name))) return Fail(buf);

  int len = 0;
  const char *p = joined;
  while (*p) {
    while (*p == '/') ++p;
    const char *seg = p;
    while (*p && *p != '/') ++p;
    const size_t n = static_cast<size_t>(p - seg);
    if (n == 0 || (n == 1 && seg[0] == '.')) continue;
    if (n == 2 && seg[0] == '.' && seg[1] == '.') {
      while (len > 0 && buf[len - 1] != '/') --len;
      if (len > 0) --len;  // the separator before the dropped part
      buf[len] = '\0';
      continue;
    }
    if (!Append(buf, size, len, "/", 1) || !Append(buf, size, len, seg, n)) return Fail(buf);
  }
  if (len == 0 && !Append(buf, size, len, "/", 1)) return Fail(buf);
  // A trailing separator of the name is kept, as Windows keeps it.
  if (joined[jlen - 1] == '/' && buf[len - 1] != '/' && !Append(buf, size, len, "/", 1))
    return Fail(buf);
  return len;
}

int PlatTempFolder(char *buf, int size) {
  if (!buf || size <= 0) return 0;
  buf[0] = '\0';
  const char *dir = std::getenv("TMPDIR");
  if (!dir || !*dir) dir = "/tmp";
  int len = 0;
  if (!Append(buf, size, len, dir, std::strlen(dir))) return Fail(buf);
  if (buf[len - 1] != '/' && !Append(buf, size, len, "/", 1)) return Fail(buf);
  return len;
}
