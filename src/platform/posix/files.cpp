#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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

namespace {

// The folder that holds name, for syncing its entry after a rename.
void SyncFolderOf(const char *name);

// The finished staging file takes name's place; removed when it cannot.
int PutInPlace(const char *staging, const char *name) {
  PlatFileStepReached(kFileStepRename, name);
  if (rename(staging, name) == 0) {
    SyncFolderOf(name);
    return 1;
  }
  PlatSaveAbandon(staging);
  return 0;
}

void SyncFolderOf(const char *name) {
  char dir[4096];
  const char *slash = std::strrchr(name, '/');
  if (!slash) {
    dir[0] = '.';
    dir[1] = '\0';
  } else {
    const size_t n = slash == name ? 1 : static_cast<size_t>(slash - name);
    if (n >= sizeof dir) return;
    std::memcpy(dir, name, n);
    dir[n] = '\0';
  }
  const int fd = open(dir, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);  // best effort: the data itself is already on disk
  close(fd);
}

bool WriteAll(int fd, const unsigned char *p, int size) {
  while (size > 0) {
    const ssize_t n = write(fd, p, static_cast<size_t>(size));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<int>(n);
  }
  return true;
}

}  // namespace

int PlatFileExists(const char *name) {
  if (!name || !*name) return 0;
  struct stat st;
  return stat(name, &st) == 0 ? 1 : 0;
}

int PlatReadFile(const char *name, void *buf, int size) {
  if (!name || !*name || size < 0 || (!buf && size > 0)) return -1;
  const int fd = open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  unsigned char *p = static_cast<unsigned char *>(buf);
  int got = 0;
  while (got < size) {
    const ssize_t n = read(fd, p + got, static_cast<size_t>(size - got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      got = -1;
      break;
    }
    if (n == 0) break;
    got += static_cast<int>(n);
  }
  close(fd);
  return got;
}

int PlatReplaceFile(const char *name, const void *data, int size) {
  if (!name || !*name || size < 0 || (!data && size > 0)) return 0;
  char temp[4096];
  if (!PlatStagingName(name, temp, sizeof temp)) return 0;

  PlatFileStepReached(kFileStepCreate, temp);
  const int fd = open(temp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return 0;
  PlatFileStepReached(kFileStepWrite, temp);
  bool ok = WriteAll(fd, static_cast<const unsigned char *>(data), size);
  PlatFileStepReached(kFileStepFlush, temp);
  ok = fsync(fd) == 0 && ok;
  PlatFileStepReached(kFileStepClose, temp);
  ok = close(fd) == 0 && ok;
  if (ok) return PutInPlace(temp, name);
  PlatSaveAbandon(temp);
  return 0;
}

int PlatSaveBegin(const char *name, char *staging, int stagingSize) {
  if (!name || !*name || !staging || stagingSize <= 0) return 0;
  if (!PlatStagingName(name, staging, stagingSize)) return 0;
  // No file: the save starts empty. A file that is there but cannot be read
  // must not be replaced by a save that holds only the keys written to it.
  const int in = open(name, O_RDONLY | O_CLOEXEC);
  if (in < 0 && errno != ENOENT) return 0;
  PlatFileStepReached(kFileStepCreate, staging);
  const int out = open(staging, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  bool ok = out >= 0;
  unsigned char chunk[4096];
  while (ok && in >= 0) {
    const ssize_t n = read(in, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    PlatFileStepReached(kFileStepWrite, staging);
    ok = WriteAll(out, chunk, static_cast<int>(n));
  }
  if (in >= 0) close(in);
  if (out >= 0) {
    PlatFileStepReached(kFileStepClose, staging);
    ok = close(out) == 0 && ok;
  }
  if (!ok) PlatSaveAbandon(staging);
  return ok ? 1 : 0;
}

int PlatSaveCommit(const char *staging, const char *name) {
  if (!staging || !*staging || !name || !*name) return 0;
  PlatFileStepReached(kFileStepFlush, staging);
  const int fd = open(staging, O_WRONLY | O_CLOEXEC);
  bool ok = fd >= 0 && fsync(fd) == 0;
  if (fd >= 0) ok = close(fd) == 0 && ok;
  if (ok) return PutInPlace(staging, name);
  PlatSaveAbandon(staging);
  return 0;
}

void PlatSaveAbandon(const char *staging) {
  if (!staging || !*staging) return;
  PlatFileStepReached(kFileStepRemove, staging);
  unlink(staging);
}
