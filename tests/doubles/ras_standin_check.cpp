// Checks the remote-access stand-in through the ordinary import of
// rasapi32.dll: the test runs it with WINEDLLOVERRIDES=rasapi32=n,b from the
// folder that holds the stand-in. Writes its files into the current folder.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/ras_buffers.h"

extern "C" {
DWORD WINAPI RasEnumConnectionsA(NuvRasConn *conns, DWORD *bytes, DWORD *count);
DWORD WINAPI RasGetConnectStatusA(HANDLE conn, NuvRasConnStatus *status);
DWORD WINAPI RasHangUpA(HANDLE conn);
DWORD WINAPI RasGetErrorStringA(UINT code, LPSTR text, DWORD size);
}

namespace {

int failures = 0;

#define CHECK(cond, ...)                                             \
  do {                                                               \
    if (!(cond)) {                                                   \
      ++failures;                                                    \
      std::fprintf(stderr, "%s:%d: %s: ", __FILE__, __LINE__, #cond); \
      std::fprintf(stderr, __VA_ARGS__);                             \
      std::fputc('\n', stderr);                                      \
    }                                                                \
  } while (0)

std::string controlPath = "ras-standin.txt";
std::string logPath = "ras-standin.log";

void WriteFile(const std::string &path, const char *text) {
  FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fputs(text, f);
  std::fclose(f);
}

std::string ReadFile(const std::string &path) {
  std::string s;
  FILE *f = std::fopen(path.c_str(), "rb");
  if (!f) return s;
  char buf[512];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  std::fclose(f);
  return s;
}

struct Enumerated {
  DWORD rc;
  DWORD count;
  DWORD bytes;
  NuvRasConn conns[kNuvRasConnCount];
};

// Prepared as the client prepares its buffers.
Enumerated Enumerate(DWORD bytes = sizeof(NuvRasConn) * kNuvRasConnCount) {
  Enumerated e;
  std::memset(&e, 0, sizeof e);
  for (NuvRasConn &c : e.conns) c.dwSize = sizeof(NuvRasConn);
  e.bytes = bytes;
  e.rc = RasEnumConnectionsA(e.conns, &e.bytes, &e.count);
  return e;
}

DWORD StateOf(HANDLE h, DWORD *rc) {
  NuvRasConnStatus st;
  std::memset(&st, 0, sizeof st);
  st.dwSize = sizeof st;
  *rc = RasGetConnectStatusA(h, &st);
  return st.rasconnstate;
}

struct Expected {
  const char *entry;
  DWORD state;
};

void ControlFileCases() {
  struct Case {
    const char *control;
    DWORD rc;
    std::vector<Expected> conns;
  };
  const Case cases[] = {
      {"none\n", 0, {}},
      {"", 0, {}},
      {"connected My ISP\n", 0, {{"My ISP", 0x2000}}},
      {"connecting Dial Up\r\n", 0, {{"Dial Up", 2}}},
      {"disconnected Gone\n", 0, {{"Gone", 0x2001}}},
      {"connecting First\nconnected Second\n", 0, {{"First", 2}, {"Second", 0x2000}}},
      {"error 603\nconnected Hidden\n", 603, {}},
      {"error 8\n", 8, {}},
      {"error 650", 650, {}},
  };
  for (const Case &c : cases) {
    WriteFile(controlPath, c.control);
    Enumerated e = Enumerate();
    CHECK(e.rc == c.rc, "control \"%s\": rc %lu", c.control, (unsigned long)e.rc);
    if (c.rc != 0) {
      CHECK(e.count == 0, "control \"%s\": count %lu after error", c.control, (unsigned long)e.count);
      continue;
    }
    CHECK(e.count == c.conns.size(), "control \"%s\": count %lu", c.control, (unsigned long)e.count);
    CHECK(e.bytes == e.count * sizeof(NuvRasConn), "control \"%s\": bytes %lu", c.control, (unsigned long)e.bytes);
    for (size_t i = 0; i < c.conns.size() && i < e.count; ++i) {
      CHECK(std::strcmp(e.conns[i].szEntryName, c.conns[i].entry) == 0, "control \"%s\": entry %zu is \"%s\"",
            c.control, i, e.conns[i].szEntryName);
      CHECK(e.conns[i].dwSize == sizeof(NuvRasConn), "size field overwritten");
      CHECK(e.conns[i].hrasconn != nullptr, "null handle");
      DWORD rc;
      DWORD state = StateOf(e.conns[i].hrasconn, &rc);
      CHECK(rc == 0 && state == c.conns[i].state, "control \"%s\": status of %zu: rc %lu state 0x%lx", c.control, i,
            (unsigned long)rc, (unsigned long)state);
    }
  }
}

void BufferAndSizeRules() {
  WriteFile(controlPath, "connected A\nconnected B\n");
  Enumerated e = Enumerate(sizeof(NuvRasConn));
  CHECK(e.rc == 603 && e.count == 2 && e.bytes == 2 * sizeof(NuvRasConn), "small buffer: rc %lu count %lu bytes %lu",
        (unsigned long)e.rc, (unsigned long)e.count, (unsigned long)e.bytes);

  NuvRasConn wrong[1];
  std::memset(wrong, 0, sizeof wrong);
  wrong[0].dwSize = sizeof(NuvRasConn) + 4;
  DWORD bytes = sizeof wrong, count = 0;
  CHECK(RasEnumConnectionsA(wrong, &bytes, &count) == 632, "a record of another size is refused");

  NuvRasConnStatus st;
  std::memset(&st, 0, sizeof st);
  st.dwSize = 64;
  CHECK(RasGetConnectStatusA(Enumerate().conns[0].hrasconn, &st) == 632, "a status record of another size is refused");

  char text[64];
  CHECK(RasGetErrorStringA(603, text, sizeof text) == 0 && std::strcmp(text, "Stand-in error 603") == 0,
        "error text \"%s\"", text);
  CHECK(RasGetErrorStringA(603, text, 5) == 603, "error text into a short buffer");
}

void HangUps() {
  WriteFile(controlPath, "connected A\nconnected B\n");
  DeleteFileA(logPath.c_str());
  Enumerated e = Enumerate();
  CHECK(e.count == 2, "two connections");
  HANDLE a = e.conns[0].hrasconn, b = e.conns[1].hrasconn;
  CHECK(a != b, "distinct handles");

  CHECK(RasHangUpA(a) == 0, "hang-up of A");
  e = Enumerate();
  CHECK(e.rc == 0 && e.count == 1 && std::strcmp(e.conns[0].szEntryName, "B") == 0, "after hang-up: %lu left",
        (unsigned long)e.count);
  CHECK(ReadFile(controlPath) == "connected B\n", "control file after hang-up: \"%s\"", ReadFile(controlPath).c_str());
  DWORD rc;
  StateOf(a, &rc);
  CHECK(rc == 6, "status of a hung-up connection: %lu", (unsigned long)rc);

  // The test reorders the connections: the old handle still names B.
  WriteFile(controlPath, "connecting C\r\nconnected B\r\n");
  CHECK(StateOf(b, &rc) == 0x2000 && rc == 0, "status of B after reordering");
  CHECK(RasHangUpA(b) == 0, "hang-up of B");
  CHECK(RasHangUpA(b) == 6, "second hang-up of B");
  CHECK(ReadFile(controlPath) == "connecting C\n", "control file: \"%s\"", ReadFile(controlPath).c_str());
  CHECK(RasHangUpA(Enumerate().conns[0].hrasconn) == 0, "hang-up of C");
  CHECK(ReadFile(controlPath) == "none\n", "control file after the last: \"%s\"", ReadFile(controlPath).c_str());
  CHECK(Enumerate().count == 0, "nothing left");

  const char *log = "hangup A\nstatus B\nhangup B\nhangup B\nhangup C\n";
  CHECK(ReadFile(logPath) == log, "log:\n%s", ReadFile(logPath).c_str());
}

}  // namespace

int main() {
  char text[64] = "";
  RasGetErrorStringA(8, text, sizeof text);
  if (std::strcmp(text, "Stand-in error 8") != 0) {
    std::fprintf(stderr, "the remote-access stand-in is not loaded (WINEDLLOVERRIDES=rasapi32=n,b?): \"%s\"\n", text);
    return 1;
  }
  // Default file names in the current folder first, then the ones named by
  // the environment.
  DeleteFileA(controlPath.c_str());
  CHECK(Enumerate().rc == 0 && Enumerate().count == 0, "no control file: no connection");
  ControlFileCases();
  BufferAndSizeRules();
  HangUps();

  controlPath = "other-control.txt";
  logPath = "other.log";
  SetEnvironmentVariableA("NUV_RAS_CONTROL", controlPath.c_str());
  SetEnvironmentVariableA("NUV_RAS_LOG", logPath.c_str());
  WriteFile("ras-standin.txt", "connected Wrong\n");
  ControlFileCases();
  HangUps();

  if (failures) {
    std::fprintf(stderr, "%d check(s) failed\n", failures);
    return 1;
  }
  std::printf("ras stand-in: all checks passed\n");
  return 0;
}
