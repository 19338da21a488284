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

// The finished staging file takes name's place; removed when it cannot.
int PutInPlace(const char *staging, const char *name) {
  PlatFileStepReached(kFileStepRename, name);
  if (MoveFileExA(staging, name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 1;
  PlatSaveAbandon(staging);
  return 0;
}

bool WriteAll(HANDLE file, const unsigned char *p, int size) {
  while (size > 0) {
    DWORD n = 0;
    if (!WriteFile(file, p, static_cast<DWORD>(size), &n, nullptr) || n == 0) return false;
    p += n;
    size -= static_cast<int>(n);
  }
  return true;
}

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
  if (!PlatStagingName(name, temp, sizeof temp)) return 0;

  bool ok;
  {
    PlatFileStepReached(kFileStepCreate, temp);
    FileHandle file(CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return 0;
    PlatFileStepReached(kFileStepWrite, temp);
    ok = WriteAll(file.Get(), static_cast<const unsigned char *>(data), size);
    PlatFileStepReached(kFileStepFlush, temp);
    ok = FlushFileBuffers(file.Get()) && ok;
    PlatFileStepReached(kFileStepClose, temp);
    ok = file.Close() && ok;
  }
  if (ok) return PutInPlace(temp, name);
  PlatSaveAbandon(temp);
  return 0;
}

int PlatSaveBegin(const char *name, char *staging, int stagingSize) {
  if (!name || !*name || !staging || stagingSize <= 0) return 0;
  if (!PlatStagingName(name, staging, stagingSize)) return 0;
  // No file: the save starts empty. A file that is there but cannot be read
  // must not be replaced by a save that holds only the keys written to it.
  FileHandle in(CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!in.Valid() && GetLastError() != ERROR_FILE_NOT_FOUND) return 0;
  bool ok;
  {
    PlatFileStepReached(kFileStepCreate, staging);
    FileHandle out(CreateFileA(staging, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    ok = out.Valid();
    unsigned char chunk[4096];
    while (ok && in.Valid()) {
      DWORD n = 0;
      if (!ReadFile(in.Get(), chunk, sizeof chunk, &n, nullptr)) ok = false;
      if (!ok || n == 0) break;
      PlatFileStepReached(kFileStepWrite, staging);
      ok = WriteAll(out.Get(), chunk, static_cast<int>(n));
    }
    if (out.Valid()) {
      PlatFileStepReached(kFileStepClose, staging);
      ok = out.Close() && ok;
    }
  }
  if (!ok) PlatSaveAbandon(staging);
  return ok ? 1 : 0;
}

int PlatSaveCommit(const char *staging, const char *name) {
  if (!staging || !*staging || !name || !*name) return 0;
  // The system's profile functions may keep the file's text in memory.
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, staging);
  PlatFileStepReached(kFileStepFlush, staging);
  bool ok;
  {
    FileHandle file(CreateFileA(staging, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ok = file.Valid() && FlushFileBuffers(file.Get());
    ok = file.Close() && ok;
  }
  if (ok) return PutInPlace(staging, name);
  PlatSaveAbandon(staging);
  return 0;
}

void PlatSaveAbandon(const char *staging) {
  if (!staging || !*staging) return;
  PlatFileStepReached(kFileStepRemove, staging);
  DeleteFileA(staging);
}
