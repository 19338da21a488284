// What the protocol keeps between runs (timing keys, the stored server list,
// the servers last used) and the order in which it tries server lists when
// no server takes the login.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/config.h"
#include "platform/profile.h"
#include "protocol/nuvproto.h"
#include "protocol/trace.h"

#ifndef NUV_DEFAULT_SERVER
#define NUV_DEFAULT_SERVER "127.0.0.1"
#endif

ConfigReadOnlyValues Config_readOnly = {300, 120, 30};
char *Config_serverListString = nullptr;

namespace {

// More stored servers than this are not believed: the count comes from a file
// the user can edit, and each server costs a file read and 40 bytes.
constexpr unsigned kMaxStoredServers = 1000;
constexpr const char *kNoServer = "_no_server_";
constexpr int kValueSize = 40;

bool VersionIs(const char *version, const char *want) { return std::strncmp(version, want, 4) == 0; }

unsigned ReadTiming(const char *section, const char *key, unsigned def, const char *path) {
  char defText[16], buf[kValueSize];
  std::snprintf(defText, sizeof defText, "%u", def);
  PlatGetProfileString(section, key, defText, buf, sizeof buf, path);
  unsigned value = 0;
  return std::sscanf(buf, "%u", &value) == 1 ? value : def;
}

unsigned ReadStoredCount(const char *section, const char *path, unsigned *style) {
  char buf[kValueSize];
  PlatGetProfileString(section, "SERVERLIST", "0", buf, sizeof buf, path);
  unsigned s = 0, count = 0;
  if (std::sscanf(buf, "%u:%u", &s, &count) < 2) return 0;
  if (style) *style = s;
  return count;
}

// The session's address in dotted form; false for an address that has none
// (a remote never filled in).
bool DottedAddress(const UdpRemote &remote, char *out, size_t size) {
  const PlatSockAddr &a = remote.address;
  if (a.family != kPlatAfInet || (a.addr[0] | a.addr[1] | a.addr[2] | a.addr[3]) == 0) return false;
  std::snprintf(out, size, "%u.%u.%u.%u", a.addr[0], a.addr[1], a.addr[2], a.addr[3]);
  return true;
}

void SetField(char *field, const char *text) { std::snprintf(field, kConfigFieldSize, "%.39s", text); }

bool Filled(const char *field) { return field[0] != 0; }

// "0:1:server/port": one server in style All, malloc'ed.
char *OneServerList(const char *server, const char *port) {
  const size_t size = 4 + strnlen(server, kConfigFieldSize) + 1 + strnlen(port, kConfigFieldSize) + 1;
  char *text = static_cast<char *>(std::malloc(size < 80 ? 80 : size));
  if (text)
    std::snprintf(text, size < 80 ? 80 : size, "0:1:%.*s/%.*s", (int)strnlen(server, kConfigFieldSize),
                  server, (int)strnlen(port, kConfigFieldSize), port);
  return text;
}

void DeleteServerKeys(const char *section, const char *path, unsigned from, unsigned to) {
  if (to > kMaxStoredServers) to = kMaxStoredServers;
  char key[24];
  for (unsigned n = from; n < to; ++n) {
    std::snprintf(key, sizeof key, "SERVER%u", n);
    PlatWriteProfileString(section, key, nullptr, path);
  }
}

}  // namespace

int NuvProtoReadConfig(NuvProtoLogin *, const char *section, const char *path) {
  Config_readOnly.fallbackSeconds = ReadTiming(section, "OBXFALLBACK", 300, path);
  Config_readOnly.switchSeconds = ReadTiming(section, "OBXSWITCH", 120, path);
  Config_readOnly.loginValidSeconds = ReadTiming(section, "OBXLOGINVALID", 30, path);

  if (VersionIs(Config.VERSION, "6.0")) {
    std::free(Config_serverListString);
    Config_serverListString = nullptr;
    return 0;
  }
  if (!VersionIs(Config.VERSION, "7.0")) return 0;

  std::free(Config_serverListString);
  Config_serverListString = nullptr;
  unsigned style = 0;
  const unsigned count = ReadStoredCount(section, path, &style);
  if (count < 1) return 0;
  if (count > kMaxStoredServers) return 9;
  const size_t size = static_cast<size_t>(count) * kValueSize + kValueSize;
  char *text = static_cast<char *>(std::malloc(size));
  if (!text) return 9;

  // "style:" then room for the count, filled in once the valid servers are known.
  int used = std::snprintf(text, size, "%u:", style);
  const int countAt = used;
  used += std::snprintf(text + used, size - used, "%9s:", "");
  unsigned valid = 0;
  char key[24], value[kValueSize];
  for (unsigned i = 0; i < count; ++i) {
    std::snprintf(key, sizeof key, "SERVER%u", i);
    PlatGetProfileString(section, key, kNoServer, value, sizeof value, path);
    if (std::strcmp(value, kNoServer) == 0) continue;
    used += std::snprintf(text + used, size - used, "%s:", value);
    ++valid;
  }
  if (valid == 0) {
    std::free(text);
    return 0;
  }
  text[used - 1] = 0;  // the last ':'
  char digits[12];
  const int n = std::snprintf(digits, sizeof digits, "%u", valid);
  std::memcpy(text + countAt, digits, static_cast<size_t>(n));
  Config_serverListString = text;
  return 0;
}

namespace {

// One server kept in an address and a port field; an address that has no
// dotted form empties both and marks no server as last used.
void StoreOneServer(const UdpRemote &remote, char (&addr)[kConfigFieldSize],
                    char (&port)[kConfigFieldSize], const char *kind, const char *warning) {
  char dotted[20];
  if (DottedAddress(remote, dotted, sizeof dotted)) {
    SetField(addr, dotted);
    std::snprintf(port, kConfigFieldSize, "%hu", remote.port);
    SetField(Config.IPLASTCONNECTED, kind);
  } else {
    SetField(addr, "");
    SetField(port, "");
    SetField(Config.IPLASTCONNECTED, "-1");
    Debug_MessageListString(warning);
  }
}

}  // namespace

int NuvProtoSaveConfig(NuvProtoLogin *login, const char *section, const char *path) {
  if (login->loggedIn) {
    std::snprintf(Config.SERVICE, kConfigFieldSize, "%d", login->service);
    std::snprintf(Config.SIGNATURE, kConfigFieldSize, "%.*s",
                  (int)strnlen(login->signature, sizeof login->signature), login->signature);
  }
  const bool v6 = VersionIs(login->version, "6.0"), v7 = VersionIs(login->version, "7.0");
  if ((!v6 && !v7) || login->serverCount < 1 || !login->sessions) return 0;

  const NuvProtoSession &head = login->sessions[0];
  char dotted[20], text[64];
  if (head.kind == kNuvKindUnknown) {
    SetField(Config.IPLASTCONNECTED, "-1");
  } else if (v6 && head.kind == kNuvKindMap) {
    StoreOneServer(head.remote, Config.IP1ADDR, Config.IP1PORT, "0",
                   "Warning: Saving config found bad MAP addr\r\n");
  } else if (v6 && head.kind == kNuvKindRedirect) {
    StoreOneServer(head.remote, Config.REDIRECTADDR, Config.REDIRECTPORT, "2",
                   "Warning: Saving config found bad redirect addr\r\n");
  } else if (v7 && head.kind == kNuvKindMap) {
    const unsigned oldCount = ReadStoredCount(section, path, nullptr);
    std::snprintf(text, sizeof text, "%u:%u", static_cast<unsigned>(login->style),
                  static_cast<unsigned>(login->serverCount));
    PlatWriteProfileString(section, "SERVERLIST", text, path);
    char key[24];
    bool bad = false;
    for (int i = 0; i < login->serverCount && !bad; ++i) {
      const NuvProtoSession &s = login->sessions[i];
      if (!DottedAddress(s.remote, dotted, sizeof dotted)) {
        bad = true;
        break;
      }
      std::snprintf(key, sizeof key, "SERVER%d", i);
      std::snprintf(text, sizeof text, "%s/%hu", dotted, s.remote.port);
      PlatWriteProfileString(section, key, text, path);
    }
    if (bad) {
      Debug_MessageListString("Warning: Saving config found bad MAP addr\r\n");
      DeleteServerKeys(section, path, 0, oldCount);
      SetField(Config.IPLASTCONNECTED, "-1");
    } else {
      DeleteServerKeys(section, path, static_cast<unsigned>(login->serverCount), oldCount);
      SetField(Config.IPLASTCONNECTED, "0");
    }
  } else if (v7 && head.kind == kNuvKindRedirect) {
    if (DottedAddress(head.remote, dotted, sizeof dotted)) {
      std::snprintf(text, sizeof text, "%s/%hu", dotted, head.remote.port);
      SetField(Config.REDIRECTADDR, text);
      SetField(Config.IPLASTCONNECTED, "2");
    } else {
      SetField(Config.IPLASTCONNECTED, "-1");
      Debug_MessageListString("Warning: Saving config found bad redirect addr\r\n");
    }
  }
  return 0;
}

void NuvEventProvideFallbackServer(NuvProtoLogin *login, char **out) {
  *out = nullptr;
  const char *server = nullptr, *port = nullptr;
  if (VersionIs(login->version, "6.0")) {
    if (login->fallbackStage <= 0 && Filled(Config.IP1ADDR) && Filled(Config.IP1PORT)) {
      login->fallbackStage = 1;
      server = Config.IP1ADDR, port = Config.IP1PORT;
    } else if (login->fallbackStage <= 1 && Filled(Config.IP2ADDR) && Filled(Config.IP2PORT)) {
      login->fallbackStage = 1;
      server = Config.IP2ADDR, port = Config.IP2PORT;
    } else if (login->fallbackStage <= 1 && Filled(Config.REDIRECTADDR) && Filled(Config.REDIRECTPORT)) {
      login->fallbackStage = 2;
      server = Config.REDIRECTADDR, port = Config.REDIRECTPORT;
    } else {
      login->fallbackStage = 3;
      server = NUV_DEFAULT_SERVER, port = "10002";
    }
  } else if (VersionIs(login->version, "7.0")) {
    if (login->fallbackStage <= 0 && Config_serverListString) {
      const size_t size = std::strlen(Config_serverListString) + 1;
      char *copy = static_cast<char *>(std::malloc(size));
      if (copy) std::memcpy(copy, Config_serverListString, size);
      login->fallbackStage = 1;
      *out = copy;
      return;
    }
    if (login->fallbackStage <= 1 && Filled(Config.REDIRECTADDR) && Filled(Config.REDIRECTPORT)) {
      login->fallbackStage = 2;
      server = Config.REDIRECTADDR, port = Config.REDIRECTPORT;
    } else {
      login->fallbackStage = 3;
      server = NUV_DEFAULT_SERVER, port = "10002";
    }
  } else {
    return;
  }
  *out = OneServerList(server, port);
}
