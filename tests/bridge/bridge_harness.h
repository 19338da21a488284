#pragma once
// Drives the session engine and the event bridge together against peer
// sockets on 127.0.0.1, with the application's hooks recording their calls.
// The engine under test is the program's own record `nuvLogin`, since the
// settings save writes the protocol values of that record. Every test runs
// in a fresh folder of its own, which is the current folder (NUV.INI lands
// there). The clock is never ticked by time: nothing here waits for time.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "config/config.h"
#include "config/settings.h"
#include "platform/profile.h"
#include "platform/udp_socket.h"
#include "protocol/app_hooks.h"
#include "protocol/event.h"
#include "protocol/nuvproto.h"
#include "protocol/trace.h"

namespace bridgetest {

// ---------------------------------------------------------------------------
// What the application hooks saw, in order: "call full 3 <payload>",
// "ended basic 3 <payload>", "message <text>", "hangup", "misconfigured",
// "green 1", "blink 0".
struct HookLog {
  std::vector<std::string> calls;
  void *instance = reinterpret_cast<void *>(0x1000);
  PlatWindow mainWindow = reinterpret_cast<PlatWindow>(0x2000);
  void *seenInstance = nullptr;
  PlatWindow seenOwner = nullptr;

  int Count(const std::string &prefix) const {
    return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const std::string &c) {
      return c.compare(0, prefix.size(), prefix) == 0;
    }));
  }
  bool Has(const std::string &call) const {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
  }
};
extern HookLog hooks;

// ---------------------------------------------------------------------------
// Datagrams of a server, made by hand (dataSize in network order, as servers
// send it) and read back.
using Bytes = std::vector<uint8_t>;

inline Bytes MakeDatagram(char cmd, const std::string &seq, const std::string &payload,
                          const char *version = "7.0") {
  Bytes b(32 + payload.size() + 1 + 3, 0);
  std::memcpy(&b[0], version, std::min<size_t>(std::strlen(version), 5));
  std::memcpy(&b[21], seq.data(), std::min<size_t>(seq.size(), 4));
  b[25] = static_cast<uint8_t>(cmd);
  const uint32_t n = static_cast<uint32_t>(payload.size() + 1);
  b[28] = uint8_t(n >> 24);
  b[29] = uint8_t(n >> 16);
  b[30] = uint8_t(n >> 8);
  b[31] = uint8_t(n);
  std::memcpy(&b[32], payload.data(), payload.size());
  return b;
}

struct Dgram {
  char cmd = 0;
  std::string seq;
  std::string payload;
};

inline PlatSockAddr Loopback(uint16_t port) {
  PlatSockAddr a{};
  a.family = kPlatAfInet;
  a.port[0] = uint8_t(port >> 8);
  a.port[1] = uint8_t(port);
  a.addr[0] = 127;
  a.addr[3] = 1;
  return a;
}

inline uint16_t PortOf(PlatSocket s) {
  PlatSockAddr a{};
  PlatSockLocalAddress(s, &a);
  return static_cast<uint16_t>((a.port[0] << 8) | a.port[1]);
}

// One server: a raw socket on 127.0.0.1.
struct Peer {
  PlatSocket sock = 0;
  uint16_t port = 0;

  Peer() {
    sock = PlatSockOpenUdp();
    PlatSockAddr a = Loopback(0);
    PlatSockBind(sock, &a);
    PlatSockSetNonBlocking(sock);
    port = PortOf(sock);
  }
  ~Peer() { PlatSockClose(sock); }
  Peer(const Peer &) = delete;
  Peer &operator=(const Peer &) = delete;

  std::string Entry() const { return "127.0.0.1/" + std::to_string(port); }

  void Send(const Bytes &b) const {
    const PlatSockAddr to = Loopback(PortOf(nuvLogin.local.socket));
    PlatSockSendTo(sock, b.data(), static_cast<int>(b.size()), &to);
  }

  // The next datagram from the client; loopback delivers within the send
  // call, so the wait only guards against a slow host.
  bool Next(Dgram *d, int waitMs = 2000) {
    if (PlatSockWaitReadable(sock, waitMs) != 1) return false;
    uint8_t buf[2048];
    PlatSockAddr from{};
    int32_t len = sizeof from;
    const int n = PlatSockRecvFrom(sock, buf, sizeof buf, &from, &len);
    if (n < 32) return false;
    d->cmd = static_cast<char>(buf[25]);
    d->seq.assign(reinterpret_cast<char *>(&buf[21]), strnlen(reinterpret_cast<char *>(&buf[21]), 4));
    d->payload.assign(reinterpret_cast<char *>(&buf[32]),
                      strnlen(reinterpret_cast<char *>(&buf[32]), static_cast<size_t>(n - 32)));
    return true;
  }
  // The commands of everything queued now, e.g. "pp".
  std::string Commands() {
    std::string s;
    Dgram d;
    while (Next(&d, 0)) s += d.cmd;
    return s;
  }
};

// ---------------------------------------------------------------------------
// Trace text and status refreshes while installed.
struct TraceLog {
  std::string text;
  std::vector<DebugStatusKind> status;
  static void Text(void *ctx, const char *t) { static_cast<TraceLog *>(ctx)->text += t; }
  static void Status(void *ctx, DebugStatusKind kind, const NuvProtoLogin *) {
    static_cast<TraceLog *>(ctx)->status.push_back(kind);
  }
  TraceLog() { Debug_SetSink(&TraceLog::Text, &TraceLog::Status, this); }
  ~TraceLog() { Debug_SetSink(nullptr, nullptr, nullptr); }
  bool Has(const std::string &t) const { return text.find(t) != std::string::npos; }
  bool Saw(DebugStatusKind kind) const {
    return std::find(status.begin(), status.end(), kind) != status.end();
  }
};

// ---------------------------------------------------------------------------
class Bridge : public ::testing::Test {
 protected:
  std::filesystem::path previous;
  std::filesystem::path folder;
  Peer a, b;  // the stored list holds both; tests log in to the ones they need
  TraceLog trace;

  void SetUp() override {
    namespace fs = std::filesystem;
    previous = fs::current_path();
    std::random_device rd;
    folder = fs::temp_directory_path() /
             ("nuv-bridge-" + std::to_string(rd()) + "-" + std::to_string(rd()));
    fs::create_directories(folder);
    fs::current_path(folder);

    hooks = HookLog{};
    LoggedIn = 0;
    NetUp = 1;
    InitServiceProfile();  // "11110": classes 0 to 3

    // The stored server list names a and b, style All.
    std::ofstream ini("NUV.INI", std::ios::binary);
    ini << "[PARAMS]\r\nUSERID=(204) 555-3636\r\nPASSWORD=secret1\r\nSERVICE=1\r\n"
        << "SERVERLIST=0:2\r\nSERVER0=" << a.Entry() << "\r\nSERVER1=" << b.Entry() << "\r\n";
    ini.close();
    std::memset(&Config, 0, sizeof Config);
    InitDefaultService("-1");
    GetInfoFile();

    NuvProtoParams p{};
    p.userId = "2045553636";
    p.password = "secret1";
    p.version = "7.0";
    p.service = 1;
    p.packetTimeout = 10;
    p.retryInterval = -1;
    p.dutySeconds = 120;
    p.maxResends = 1;
    p.fallbackSeconds = 300;
    p.switchSeconds = 120;
    p.loginValidSeconds = 30;
    p.fallbackCallback = &NuvEventProvideFallbackServer;
    ASSERT_EQ(NuvProtoInit(&nuvLogin, &p), 0);
  }

  void TearDown() override {
    NuvProtoClusterLogoutEx(&nuvLogin, 0);
    UDP_closeSocket(&nuvLogin.local);
    std::error_code ec;
    std::filesystem::current_path(previous, ec);
    std::filesystem::remove_all(folder, ec);
  }

  // The peer sends the datagram; the application handles the readable socket.
  int Deliver(const Peer &from, const Bytes &datagram) {
    from.Send(datagram);
    EXPECT_EQ(PlatSockWaitReadable(nuvLogin.local.socket, 2000), 1);
    return NuvProtoProcessIncoming(&nuvLogin);
  }

  // The network comes up; the stored list's servers get their LOGIN; `to`
  // acknowledges it and answers SUCCESS with `success`. Returns the result
  // of handling the SUCCESS. The other server's LOGIN stays unanswered.
  int NetworkUpAndLogIn(Peer &to, const std::string &success = "0:1:12345") {
    EXPECT_EQ(NuvEventNetworkChange(&nuvLogin, 1), 0);
    return LogIn(to, success);
  }
  int LogIn(Peer &to, const std::string &success) {
    Dgram d;
    EXPECT_TRUE(to.Next(&d));
    EXPECT_EQ(d.cmd, 'a');
    EXPECT_EQ(Deliver(to, MakeDatagram('p', d.seq, "")), 0);
    const int rc = Deliver(to, MakeDatagram('h', "500", success));
    to.Commands();  // the VALID for the SUCCESS
    return rc;
  }

  unsigned SessionIdOf(const Peer &p) {
    NuvProtoSession *s = FindSessionByAddress(&nuvLogin, Loopback(p.port));
    return s ? s->id : 0;
  }

  // A request the client sends, acknowledged by the server with VALID.
  void ExpectSentAndAck(Peer &p, char cmd, const std::string &payload) {
    Dgram d;
    ASSERT_TRUE(p.Next(&d));
    EXPECT_EQ(d.cmd, cmd);
    EXPECT_EQ(d.payload, payload);
    EXPECT_EQ(Deliver(p, MakeDatagram('p', d.seq, "")), 0);
  }

  std::string Stored(const char *key) const {
    char buf[64];
    PlatGetProfileString("PARAMS", key, "<none>", buf, sizeof buf,
                         (folder / "NUV.INI").string().c_str());
    return buf;
  }
};

}  // namespace bridgetest
