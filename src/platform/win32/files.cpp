#include "platform/files.h"

#include <windows.h>

#include <cstdio>

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

namespace {

// Closes a file handle when it goes out of scope.
class FileHandle {
 public:
  explicit FileHandle(HANDLE h) : h_(h) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle &) = delete;
  FileHandle &operator=(const FileHandle &) = delete;
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return h_; }
  bool Close() {
    if (!Valid()) return true;
    const BOOL ok = CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return ok != 0;
  }

 private:
  HANDLE h_;
};

}  // namespace

int PlatFileExists(const char *name) {
  if (!name || !*name) return 0;
  return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

int PlatReadFile(const char *name, void *buf, int size) {
  if (!name || !*name || size < 0 || (!buf && size > 0)) return -1;
  FileHandle file(CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return -1;
  unsigned char *p = static_cast<unsigned char *>(buf);
  int got = 0;
  while (got < size) {
    DWORD n = 0;
    if (!ReadFile(file.Get(), p + got, static_cast<DWORD>(size - got), &n, nullptr)) return -1;
    if (n == 0) break;
    got += static_cast<int>(n);
  }
  return got;
}

int PlatReplaceFile(const char *name, const void *data, int size) {
  if (!name || !*name || size < 0 || (!data && size > 0)) return 0;
  char temp[MAX_PATH + 8];
  const int len = std::snprintf(temp, sizeof temp, "%s%s", name, kPlatReplaceSuffix);
  if (len < 0 || len >= static_cast<int>(sizeof temp)) return 0;

  bool ok;
  {
    FileHandle file(CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return 0;
    const unsigned char *p = static_cast<const unsigned char *>(data);
    int left = size;
    ok = true;
    while (ok && left > 0) {
      DWORD n = 0;
      ok = WriteFile(file.Get(), p, static_cast<DWORD>(left), &n, nullptr) && n > 0;
      p += n;
      left -= static_cast<int>(n);
    }
    ok = FlushFileBuffers(file.Get()) && ok;
    ok = file.Close() && ok;
  }
  if (ok && MoveFileExA(temp, name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 1;
  DeleteFileA(temp);
  return 0;
}
