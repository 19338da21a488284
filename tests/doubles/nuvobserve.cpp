// Watches another process from outside, as a task manager would: reads one
// command per line from standard input and answers each with one line on
// standard output, flushed at once. For the long runs of the windowed client.
//
//   find <exe name>        -> ok <pid> | err none
//   sample <pid>           -> ok handles=<n> handlelist=<n> gdi=<n> user=<n>
//                                gditable=<n> windows=<n> visible=<n>
//                                private=<KiB> working=<KiB>
//   quit
//
// handles: GetProcessHandleCount ("-" when it reports none). handlelist:
// the process's entries in the system's handle list. gdi, user: GetGuiResources (GR_GDIOBJECTS,
// GR_USEROBJECTS); "-" where the system does not implement it (the call
// fails with ERROR_CALL_NOT_IMPLEMENTED or reports 0 for a process that has
// windows). gditable: the live entries of the process's GDI handle table
// (the table the process environment block names), stock objects included;
// "-" when it cannot be read. windows, visible: every window of the process,
// top-level and child, and how many of them are visible. private, working:
// GetProcessMemoryInfo's PagefileUsage and WorkingSetSize. Any figure that
// cannot be read is "-".

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct WindowCount {
  DWORD pid;
  long all;
  long visible;
};

BOOL CALLBACK CountChild(HWND h, LPARAM lp) {
  auto *c = reinterpret_cast<WindowCount *>(lp);
  ++c->all;
  if (IsWindowVisible(h)) ++c->visible;
  return TRUE;
}

BOOL CALLBACK CountTop(HWND h, LPARAM lp) {
  auto *c = reinterpret_cast<WindowCount *>(lp);
  DWORD owner = 0;
  GetWindowThreadProcessId(h, &owner);
  if (owner != c->pid) return TRUE;
  ++c->all;
  if (IsWindowVisible(h)) ++c->visible;
  EnumChildWindows(h, CountChild, lp);  // every descendant
  return TRUE;
}

// Message-only windows are not top-level windows of the desktop.
void CountMessageOnly(WindowCount *c) {
  HWND h = nullptr;
  while ((h = FindWindowExA(HWND_MESSAGE, h, nullptr, nullptr)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(h, &owner);
    if (owner == c->pid) ++c->all;
  }
}

// One entry of the GDI handle table as the system lays it out for 64-bit
// processes: kernel object, owner (process id, count), type, user pointer.
struct GdiTableEntry {
  unsigned long long object;
  unsigned short ownerPid;
  unsigned short count;
  unsigned char type;
  unsigned char flags;
  unsigned char pad[2];
  unsigned long long user;
};
static_assert(sizeof(GdiTableEntry) == 24, "GDI table entry layout");
constexpr size_t kGdiTableEntries = 0x10000;
constexpr size_t kPebGdiTableOffset = 0xF8;  // GdiSharedHandleTable in the 64-bit PEB

using QueryInfoFn = LONG(WINAPI *)(HANDLE, int, void *, ULONG, ULONG *);

long GdiTableCount(HANDLE process) {
  static QueryInfoFn query = reinterpret_cast<QueryInfoFn>(
      reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
  if (!query) return -1;
  PROCESS_BASIC_INFORMATION info{};
  ULONG got = 0;
  if (query(process, 0 /* ProcessBasicInformation */, &info, sizeof info, &got) != 0 || !info.PebBaseAddress)
    return -1;
  void *table = nullptr;
  SIZE_T read = 0;
  if (!ReadProcessMemory(process, reinterpret_cast<const char *>(info.PebBaseAddress) + kPebGdiTableOffset, &table,
                         sizeof table, &read) ||
      read != sizeof table || !table)
    return -1;
  static std::vector<GdiTableEntry> entries(kGdiTableEntries);
  long live = 0;
  // In pieces: the end of the table may not be readable.
  constexpr size_t kChunk = 4096;
  for (size_t first = 0; first < kGdiTableEntries; first += kChunk) {
    if (!ReadProcessMemory(process, static_cast<const GdiTableEntry *>(table) + first, &entries[first],
                           kChunk * sizeof(GdiTableEntry), &read))
      return first == 0 ? -1 : live;
    for (size_t i = first; i < first + kChunk; ++i)
      if (entries[i].type != 0) ++live;
  }
  return live;
}

// The handles of one process in the system's handle list
// (SystemHandleInformation), for systems whose GetProcessHandleCount does
// not count them.
struct HandleEntry {
  unsigned long ownerPid;
  unsigned char objectType;
  unsigned char flags;
  unsigned short value;
  void *object;
  unsigned long access;
};
using QuerySystemFn = LONG(WINAPI *)(int, void *, ULONG, ULONG *);

long SystemListHandles(DWORD pid) {
  static QuerySystemFn query = reinterpret_cast<QuerySystemFn>(
      reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return -1;
  static std::vector<unsigned char> buffer(1 << 20);
  for (int attempt = 0; attempt < 6; ++attempt) {
    ULONG need = 0;
    const LONG st = query(16 /* SystemHandleInformation */, buffer.data(), ULONG(buffer.size()), &need);
    if (st == 0) {
      ULONG count = 0;
      std::memcpy(&count, buffer.data(), sizeof count);
      const auto *e = reinterpret_cast<const HandleEntry *>(buffer.data() + sizeof(void *));
      const size_t room = (buffer.size() - sizeof(void *)) / sizeof(HandleEntry);
      long mine = 0;
      for (ULONG i = 0; i < count && i < room; ++i)
        if (e[i].ownerPid == pid) ++mine;
      return mine;
    }
    if (st != LONG(0xC0000004) /* STATUS_INFO_LENGTH_MISMATCH */) return -1;
    buffer.resize(need > buffer.size() ? size_t(need) + 65536 : buffer.size() * 2);
  }
  return -1;
}

void Figure(char *out, size_t size, const char *name, long value) {
  char part[64];
  if (value < 0) std::snprintf(part, sizeof part, " %s=-", name);
  else std::snprintf(part, sizeof part, " %s=%ld", name, value);
  std::strncat(out, part, size - std::strlen(out) - 1);
}

void Sample(DWORD pid, char *out, size_t size) {
  HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!p) {
    std::snprintf(out, size, "err cannot open process %lu (error %lu)", static_cast<unsigned long>(pid),
                  static_cast<unsigned long>(GetLastError()));
    return;
  }
  WindowCount wc{pid, 0, 0};
  EnumWindows(CountTop, reinterpret_cast<LPARAM>(&wc));
  CountMessageOnly(&wc);

  DWORD handles = 0;
  // A live process has handles: 0 means "not counted".
  const long handleCount = GetProcessHandleCount(p, &handles) && handles > 0 ? long(handles) : -1;
  SetLastError(0);
  const DWORD gdi = GetGuiResources(p, GR_GDIOBJECTS);
  const DWORD gdiError = GetLastError();
  SetLastError(0);
  const DWORD user = GetGuiResources(p, GR_USEROBJECTS);
  const DWORD userError = GetLastError();
  // A process with windows has USER objects: a 0 means "not counted".
  const long gdiCount = (gdi == 0 && (gdiError != 0 || wc.all > 0)) ? -1 : long(gdi);
  const long userCount = (user == 0 && (userError != 0 || wc.all > 0)) ? -1 : long(user);
  PROCESS_MEMORY_COUNTERS mem{};
  mem.cb = sizeof mem;
  const bool memOk = GetProcessMemoryInfo(p, &mem, sizeof mem) != 0;

  std::snprintf(out, size, "ok");
  Figure(out, size, "handles", handleCount);
  Figure(out, size, "handlelist", SystemListHandles(pid));
  Figure(out, size, "gdi", gdiCount);
  Figure(out, size, "user", userCount);
  Figure(out, size, "gditable", GdiTableCount(p));
  Figure(out, size, "windows", wc.all);
  Figure(out, size, "visible", wc.visible);
  Figure(out, size, "private", memOk ? long(mem.PagefileUsage / 1024) : -1);
  Figure(out, size, "working", memOk ? long(mem.WorkingSetSize / 1024) : -1);
  CloseHandle(p);
}

void Find(const char *exe, char *out, size_t size) {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) {
    std::snprintf(out, size, "err no process list");
    return;
  }
  PROCESSENTRY32 e{};
  e.dwSize = sizeof e;
  std::snprintf(out, size, "err none");
  for (BOOL more = Process32First(snap, &e); more; more = Process32Next(snap, &e)) {
    if (_stricmp(e.szExeFile, exe) == 0) {
      std::snprintf(out, size, "ok %lu", static_cast<unsigned long>(e.th32ProcessID));
      break;
    }
  }
  CloseHandle(snap);
}

}  // namespace

int main() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stdin), _O_BINARY);
  char line[512];
  char out[512];
  while (std::fgets(line, sizeof line, stdin)) {
    line[std::strcspn(line, "\r\n")] = '\0';
    char verb[16] = "";
    char arg[MAX_PATH] = "";
    const int n = std::sscanf(line, "%15s %259s", verb, arg);
    if (n < 1) continue;
    if (std::strcmp(verb, "quit") == 0) break;
    if (std::strcmp(verb, "find") == 0 && n == 2) {
      Find(arg, out, sizeof out);
    } else if (std::strcmp(verb, "sample") == 0 && n == 2) {
      char *end = nullptr;
      const unsigned long pid = std::strtoul(arg, &end, 10);
      if (*end) std::snprintf(out, sizeof out, "err bad process id");
      else Sample(DWORD(pid), out, sizeof out);
    } else {
      std::snprintf(out, sizeof out, "err usage: find <exe> | sample <pid> | quit");
    }
    std::fputs(out, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
  return 0;
}
