// Stand-in for the remote-access service, loaded by tests in place of the
// system's rasapi32.dll. The connections it reports come from a control file
// the test writes (re-read on every call, so the test can change the state
// while the client runs); hang-ups and status reads are appended to a log.
//
// Control file (NUV_RAS_CONTROL, default "ras-standin.txt"), one line each:
//   none                   no connection (also: missing or empty file)
//   connected <entry>      a connection in the connected state
//   connecting <entry>     a connection still dialling
//   disconnected <entry>   a connection that has dropped
//   error <code>           the enumeration fails with <code>
// Several connection lines are several connections, in order. A hang-up
// removes the connection's line from the control file.
//
// Log file (NUV_RAS_LOG, default "ras-standin.log"): "status <entry>" for
// every status read, "hangup <entry>" for every hang-up.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/ras_buffers.h"

namespace {

constexpr DWORD kErrorInvalidHandle = 6;
constexpr DWORD kErrorInvalidParameter = 87;
constexpr DWORD kErrorBufferTooSmall = 603;
constexpr DWORD kErrorInvalidSize = 632;

// The service's connection states that the control file can name.
constexpr DWORD kStateConnectDevice = 2;
constexpr DWORD kStateConnected = 0x2000;
constexpr DWORD kStateDisconnected = 0x2001;

struct Connection {
  std::string entry;
  DWORD state;
  size_t line;  // index into Control::lines
};

struct Control {
  std::vector<std::string> lines;
  std::vector<Connection> connections;
  DWORD error = 0;
};

std::string EnvOr(const char *name, const char *fallback) {
  char buf[MAX_PATH];
  DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
  if (n == 0 || n >= sizeof buf) return fallback;
  return std::string(buf, n);
}

std::string ControlPath() { return EnvOr("NUV_RAS_CONTROL", "ras-standin.txt"); }
std::string LogPath() { return EnvOr("NUV_RAS_LOG", "ras-standin.log"); }

// The handle of a connection follows from its entry name, so that a handle
// taken from one enumeration still names the same connection after the test
// has rewritten the control file.
HANDLE HandleOf(const std::string &entry) {
  UINT32 h = 2166136261u;
  for (unsigned char c : entry) h = (h ^ c) * 16777619u;
  return reinterpret_cast<HANDLE>(static_cast<UINT_PTR>((h & 0x7ffffff0u) | 0x10u));
}

Control ReadControl() {
  Control c;
  FILE *f = std::fopen(ControlPath().c_str(), "rb");
  if (!f) return c;
  char buf[512];
  while (std::fgets(buf, sizeof buf, f)) {
    std::string line(buf);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    c.lines.push_back(line);
    size_t sp = line.find(' ');
    std::string word = line.substr(0, sp);
    std::string rest = sp == std::string::npos ? std::string() : line.substr(sp + 1);
    DWORD state;
    if (word == "connected") {
      state = kStateConnected;
    } else if (word == "connecting") {
      state = kStateConnectDevice;
    } else if (word == "disconnected") {
      state = kStateDisconnected;
    } else {
      if (word == "error" && c.error == 0) c.error = static_cast<DWORD>(std::strtoul(rest.c_str(), nullptr, 0));
      continue;
    }
    c.connections.push_back({rest, state, c.lines.size() - 1});
  }
  std::fclose(f);
  return c;
}

void AppendLog(const char *what, const std::string &entry) {
  FILE *f = std::fopen(LogPath().c_str(), "ab");
  if (!f) return;
  std::fprintf(f, "%s %s\n", what, entry.c_str());
  std::fclose(f);
}

// Written beside and renamed into place, as the tests do, so that a reader
// never sees half a file.
void WriteControlWithout(const Control &c, size_t dropped) {
  std::string path = ControlPath();
  std::string tmp = path + ".hangup";
  FILE *f = std::fopen(tmp.c_str(), "wb");
  if (!f) return;
  bool any = false;
  for (size_t i = 0; i < c.lines.size(); ++i) {
    if (i == dropped) continue;
    std::fprintf(f, "%s\n", c.lines[i].c_str());
    any = true;
  }
  if (!any) std::fprintf(f, "none\n");
  std::fclose(f);
  MoveFileExA(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// Entry names of the handles given out by this process, so that a hang-up of
// a connection that is already gone is still logged by name.
std::vector<std::pair<HANDLE, std::string>> &KnownHandles() {
  static std::vector<std::pair<HANDLE, std::string>> known;
  return known;
}

void Remember(HANDLE h, const std::string &entry) {
  for (auto &k : KnownHandles())
    if (k.first == h) return;
  KnownHandles().emplace_back(h, entry);
}

std::string NameOf(HANDLE h) {
  for (auto &k : KnownHandles())
    if (k.first == h) return k.second;
  char name[40];
  std::snprintf(name, sizeof name, "?%p", h);
  return name;
}

const Connection *Find(const Control &c, HANDLE h) {
  for (const Connection &conn : c.connections)
    if (HandleOf(conn.entry) == h) return &conn;
  return nullptr;
}

}  // namespace

extern "C" {

DWORD WINAPI RasEnumConnectionsA(NuvRasConn *conns, DWORD *bytes, DWORD *count) {
  if (!conns || !bytes || !count) return kErrorInvalidParameter;
  if (conns->dwSize != sizeof(NuvRasConn)) return kErrorInvalidSize;
  Control c = ReadControl();
  if (c.error != 0) {
    *count = 0;
    return c.error;
  }
  DWORD needed = static_cast<DWORD>(c.connections.size() * sizeof(NuvRasConn));
  *count = static_cast<DWORD>(c.connections.size());
  if (*bytes < needed) {
    *bytes = needed;
    return kErrorBufferTooSmall;
  }
  *bytes = needed;
  for (size_t i = 0; i < c.connections.size(); ++i) {
    NuvRasConn &out = conns[i];
    std::memset(&out, 0, sizeof out);
    out.dwSize = sizeof(NuvRasConn);
    out.hrasconn = HandleOf(c.connections[i].entry);
    Remember(out.hrasconn, c.connections[i].entry);
    std::snprintf(out.szEntryName, sizeof out.szEntryName, "%s", c.connections[i].entry.c_str());
    std::snprintf(out.szDeviceType, sizeof out.szDeviceType, "%s", "modem");
    std::snprintf(out.szDeviceName, sizeof out.szDeviceName, "%s", "Stand-in Modem");
  }
  return 0;
}

DWORD WINAPI RasGetConnectStatusA(HANDLE conn, NuvRasConnStatus *status) {
  if (!status) return kErrorInvalidParameter;
  if (status->dwSize != sizeof(NuvRasConnStatus)) return kErrorInvalidSize;
  Control c = ReadControl();
  const Connection *found = Find(c, conn);
  if (!found) return kErrorInvalidHandle;
  AppendLog("status", found->entry);
  status->rasconnstate = found->state;
  status->dwError = 0;
  std::snprintf(status->szDeviceType, sizeof status->szDeviceType, "%s", "modem");
  std::snprintf(status->szDeviceName, sizeof status->szDeviceName, "%s", "Stand-in Modem");
  return 0;
}

DWORD WINAPI RasHangUpA(HANDLE conn) {
  Control c = ReadControl();
  const Connection *found = Find(c, conn);
  if (!found) {
    AppendLog("hangup", NameOf(conn));
    return kErrorInvalidHandle;
  }
  AppendLog("hangup", found->entry);
  WriteControlWithout(c, found->line);
  return 0;
}

DWORD WINAPI RasGetErrorStringA(UINT code, LPSTR text, DWORD size) {
  if (!text || size == 0) return kErrorInvalidParameter;
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, "Stand-in error %u", code);
  if (n < 0 || static_cast<DWORD>(n) >= size) return kErrorBufferTooSmall;
  std::memcpy(text, buf, static_cast<size_t>(n) + 1);
  return 0;
}

}  // extern "C"
