// The session engine's receive path and the stored-server-list reader on
// arbitrary bytes.
//
// Input: a mode byte, then chunks. Mode 0/1: each chunk is a datagram handed
// to the engine through its receive seam (as if read from the socket) from
// one of two logged-in servers or a stranger, followed by some clock ticks.
// Mode 2: the same datagrams really travel over loopback and go through the
// event bridge. Mode 3: the rest of the input is NUV.INI, read by the stored
// list reader, whose list then goes to the engine's list parser and the
// fallback.
//
// NUV_ENGINE_FUZZ_MODE=datagrams or =ini in the environment restricts a run to
// the receive path or to the reader.
//
// Host names in pushed server lists would make every run wait for a DNS
// lookup, so their letters are turned into digits (a digit-led name is
// parsed, never looked up).

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "config/config.h"
#include "platform/udp_socket.h"
#include "protocol/app_hooks.h"
#include "protocol/event.h"
#include "protocol/nuvproto.h"
#include "support/engine_rig.h"

// What the bridge calls up into: every payload must be a terminated text.
int LoggedIn = 0;
int NetUp = 1;
static volatile size_t gSink;
static void Touch(const char *text) { gSink = gSink + std::strlen(text); }
void IncommingCallPopup(char *payload, unsigned) { Touch(payload); }
void ShutDownIncommingCallPopup(char *payload, unsigned) { Touch(payload); }
void IncommingCallBasicPopup(char *payload, unsigned) { Touch(payload); }
void ShutDownIncommingCallBasicPopup(char *payload, unsigned) { Touch(payload); }
void CreateMessageWindow(void *, PlatWindow, char *text) { Touch(text); }
void *GetMainInstance() { return nullptr; }
PlatWindow GetMainWindowHandle() { return nullptr; }
void HangUpNetwork() {}
void HandleMisconfiguredAccount() {}
void SetBlinkGreen(int) {}
void SetBlinkState(int) {}

namespace {

using nuvtest::Loopback;

struct Rig {
  bool started = nuvtest::SocketsStarted();  // before any socket
  NuvProtoLogin *login = nullptr;
  nuvtest::Peer servers[3];  // two servers of the table and a stranger
  PlatSockAddr addrs[3] = {};
  uint16_t enginePort = 0;
  std::string list;
  std::string ini;
};

Rig *gRig = nullptr;

// A folder of this process's own, in memory (/dev/shm) where there is one:
// the bridge rewrites NUV.INI key by key, each time with a flush to disk, and
// on a disk that flush would set the pace of the whole run.
std::string MakeFolder() {
  std::error_code ec;
  std::filesystem::path base = "/dev/shm";
  if (!std::filesystem::is_directory(base, ec)) base = std::filesystem::temp_directory_path();
  std::string tmpl = (base / "nuv-engine-fuzz-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) std::abort();
  static std::string made;
  made = tmpl;
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
    std::filesystem::remove_all(made, ignored);
  });
  return tmpl;
}

void Fallback(NuvProtoLogin *, char **out) {
  *out = static_cast<char *>(std::malloc(gRig->list.size() + 1));
  if (*out) std::memcpy(*out, gRig->list.c_str(), gRig->list.size() + 1);
}

Rig &Setup() {
  static Rig rig;
  if (rig.login) return rig;
  gRig = &rig;
  // The bridge saves the settings into the current folder.
  const std::filesystem::path folder = MakeFolder();
  std::filesystem::current_path(folder);
  rig.ini = (folder / "FUZZ.INI").string();
  std::snprintf(Config.VERSION, sizeof Config.VERSION, "7.0");

  rig.login = new NuvProtoLogin{};
  NuvProtoParams p = nuvtest::TestParams();
  p.fallbackCallback = &Fallback;
  if (NuvProtoInit(rig.login, &p) != 0) std::abort();
  rig.enginePort = nuvtest::PortOf(rig.login->local.socket);
  for (int i = 0; i < 3; ++i) rig.addrs[i] = Loopback(rig.servers[i].port);
  rig.list = "0:2:" + rig.servers[0].Entry() + ":" + rig.servers[1].Entry();
  return rig;
}

// A fresh cluster of the two servers, the first one logged in.
void Reset(Rig &rig) {
  NuvProtoLogin *login = rig.login;
  NuvProtoClusterLogoutEx(login, 0);
  login->networkDown = 0;
  login->hangupOnSuccess = 0;
  login->style = 0;
  login->outTime = 0;
  login->service = 1;
  std::string text = rig.list;
  NuvProtoClusterLogin(login, text.data());
  if (login->serverCount > 0) MarkLoggedIn(login, &login->sessions[0]);
  for (int i = 0; i < login->serverCount; ++i) login->sessions[i].kind = kNuvKindMap;
}

void NoHostNames(uint8_t *text, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if ((text[i] | 0x20) >= 'a' && (text[i] | 0x20) <= 'z') text[i] = '1';
}

void FuzzDatagrams(Rig &rig, bool overLoopback, const uint8_t *data, size_t size) {
  NuvProtoLogin *login = rig.login;
  Reset(rig);
  static uint8_t datagram[kNuvReceiveBufferSize];
  while (size >= 3) {
    const uint8_t control = data[0];
    size_t n = data[1] | (size_t(data[2]) << 8);
    data += 3;
    size -= 3;
    if (n > size) n = size;
    if (n > sizeof datagram) n = sizeof datagram;
    std::memcpy(datagram, data, n);
    data += n;
    size -= n;
    if (n >= 36 && datagram[25] == 's' &&
        (std::memcmp(datagram + 32, "ips:", 4) == 0 || std::memcmp(datagram + 32, "ip1:", 4) == 0))
      NoHostNames(datagram + 36, n - 36);
    const int from = (control & 3) == 3 ? 0 : control & 3;

    if (overLoopback) {
      if (n == 0) continue;  // an empty datagram is a read error, tested elsewhere
      PlatSockAddr to = Loopback(rig.enginePort);
      PlatSockSendTo(rig.servers[from].sock, datagram, int(n), &to);
      NuvProtoProcessIncoming(login);
    } else {
      std::memcpy(login->receiveBuffer, datagram, n);
      login->local.source = rig.addrs[from];
      NuvProtoSession *session = nullptr;
      uint8_t *packet = nullptr;
      const int rc = NuvProtoHandleDatagram(login, int(n), &session, &packet);
      if (rc == 0 && (!session || packet != login->receiveBuffer)) std::abort();
      if (rc == 0) Touch(reinterpret_cast<char *>(packet + kPacketHeaderSize));
    }
    if (login->loggedInServers < 0 || login->loggedInServers > login->serverCount) std::abort();
    for (int t = 0; t < (control >> 2); ++t) NuvProtoTimerTick(login);
  }
}

void FuzzStoredList(Rig &rig, const uint8_t *data, size_t size) {
  FILE *f = std::fopen(rig.ini.c_str(), "wb");
  if (!f) return;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  NuvProtoReadConfig(rig.login, "PARAMS", rig.ini.c_str());
  if (!Config_serverListString) return;
  std::string text = Config_serverListString;
  NoHostNames(reinterpret_cast<uint8_t *>(text.data()), text.size());
  NuvProtoSession *table = nullptr;
  int count = 0;
  if (ParseServerList(rig.login, text.data(), &table, &count) == 0 && (count < 1 || !table))
    std::abort();
  std::free(table);
  rig.login->fallbackStage = 0;
  char *copy = nullptr;
  NuvEventProvideFallbackServer(rig.login, &copy);
  if (!copy || std::strcmp(copy, Config_serverListString) != 0) std::abort();
  std::free(copy);
}

}  // namespace

// The rig moves into a folder of its own (the bridge saves NUV.INI into the
// current folder), so corpus folders and crash files named relative to the
// start folder are made absolute before that happens.
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  static std::vector<std::string> texts;
  static std::vector<char *> args;
  const std::filesystem::path start = std::filesystem::current_path();
  bool artifactPrefixGiven = false;
  texts.reserve(*argc + 1);
  for (int i = 0; i < *argc; ++i) {
    const std::string a = (*argv)[i];
    if (i > 0 && !a.empty() && a[0] != '-')
      texts.push_back((start / a).string());
    else
      texts.push_back(a);
    artifactPrefixGiven |= a.rfind("-artifact_prefix=", 0) == 0;
  }
  if (!artifactPrefixGiven) texts.push_back("-artifact_prefix=" + start.string() + "/");
  for (std::string &t : texts) args.push_back(t.data());
  args.push_back(nullptr);
  *argc = static_cast<int>(texts.size());
  *argv = args.data();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  Rig &rig = Setup();
  // NUV_ENGINE_FUZZ_MODE=datagrams or =ini keeps a run on one half.
  static const char *only = std::getenv("NUV_ENGINE_FUZZ_MODE");
  int mode = data[0] & 3;
  if (only && std::strcmp(only, "ini") == 0) mode = 3;
  if (only && std::strcmp(only, "datagrams") == 0 && mode == 3) mode = 0;
  switch (mode) {
    case 0:
    case 1:
      FuzzDatagrams(rig, false, data + 1, size - 1);
      break;
    case 2:
      FuzzDatagrams(rig, true, data + 1, size - 1);
      break;
    case 3:
      FuzzStoredList(rig, data + 1, size - 1);
      break;
  }
  return 0;
}
