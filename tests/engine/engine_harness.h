#pragma once
// Drives the session engine against real UDP sockets on 127.0.0.1: each
// `Server` is a raw socket that reads what the engine sends and answers with
// hand-made datagrams (its own byte layout, independent of the engine's
// codec). The clock is ticked by the tests; nothing waits for time to pass.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/udp_socket.h"
#include "protocol/nuvproto.h"
#include "protocol/trace.h"

namespace enginetest {

using Bytes = std::vector<uint8_t>;

// A received datagram split into the fields the tests look at.
struct Dgram {
  Bytes bytes;
  std::string version;
  std::string userId;
  std::string seq;  // the 4 sequence bytes up to their NUL
  char cmd = 0;
  uint32_t dataSize = 0;  // little-endian as the client sends it
  std::string payload;
};

inline Dgram Split(const Bytes &b) {
  Dgram d;
  d.bytes = b;
  if (b.size() < 32) return d;
  auto text = [&](size_t at, size_t n) {
    size_t len = 0;
    while (len < n && b[at + len]) ++len;
    return std::string(reinterpret_cast<const char *>(&b[at]), len);
  };
  d.version = text(0, 5);
  d.userId = text(5, 16);
  d.seq = text(21, 4);
  d.cmd = static_cast<char>(b[25]);
  d.dataSize = b[28] | (b[29] << 8) | (b[30] << 16) | (static_cast<uint32_t>(b[31]) << 24);
  d.payload = text(32, b.size() - 32);
  return d;
}

// A server datagram made by hand: dataSize in network order unless
// littleEndian; the 4 sequence bytes as given (NUL-padded).
inline Bytes Make(char cmd, const std::string &seq, const std::string &payload,
                  const char *version = "7.0", bool littleEndian = false) {
  Bytes b(32 + payload.size() + 1 + 3, 0);
  std::memcpy(&b[0], version, std::min<size_t>(std::strlen(version), 5));
  std::memcpy(&b[5], "5551234567", 10);
  std::memcpy(&b[21], seq.data(), std::min<size_t>(seq.size(), 4));
  b[25] = static_cast<uint8_t>(cmd);
  const uint32_t n = static_cast<uint32_t>(payload.size() + 1);
  const uint8_t be[4] = {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)};
  const uint8_t le[4] = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
  std::memcpy(&b[28], littleEndian ? le : be, 4);
  std::memcpy(&b[32], payload.data(), payload.size());
  return b;
}

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

struct Server {
  PlatSocket sock = 0;
  uint16_t port = 0;

  Server() {
    sock = PlatSockOpenUdp();
    PlatSockAddr a = Loopback(0);
    PlatSockBind(sock, &a);
    PlatSockSetNonBlocking(sock);
    port = PortOf(sock);
  }
  ~Server() { PlatSockClose(sock); }
  Server(const Server &) = delete;
  Server &operator=(const Server &) = delete;

  std::string Entry() const { return "127.0.0.1/" + std::to_string(port); }

  void SendTo(uint16_t enginePort, const Bytes &b) const {
    PlatSockAddr to = Loopback(enginePort);
    PlatSockSendTo(sock, b.data(), static_cast<int>(b.size()), &to);
  }

  // The next datagram from the engine. Loopback delivers within the send
  // call, so a datagram sent before this is already queued; the wait only
  // guards against a slow host.
  bool Next(Dgram *d, int waitMs = 2000) {
    if (PlatSockWaitReadable(sock, waitMs) != 1) return false;
    uint8_t buf[2048];
    PlatSockAddr from{};
    int32_t len = sizeof from;
    const int n = PlatSockRecvFrom(sock, buf, sizeof buf, &from, &len);
    if (n < 0) return false;
    *d = Split(Bytes(buf, buf + n));
    return true;
  }
  // Everything queued now, without waiting.
  std::vector<Dgram> Drain() {
    std::vector<Dgram> out;
    Dgram d;
    while (Next(&d, 0)) out.push_back(d);
    return out;
  }
  std::string Commands() {
    std::string s;
    for (const Dgram &d : Drain()) s += d.cmd;
    return s;
  }
};

// Collects trace text while installed.
struct TraceLog {
  std::string text;
  static void Sink(void *ctx, const char *t) { static_cast<TraceLog *>(ctx)->text += t; }
  TraceLog() { Debug_SetSink(&TraceLog::Sink, nullptr, this); }
  ~TraceLog() { Debug_SetSink(nullptr, nullptr, nullptr); }
  bool Has(const char *t) const { return text.find(t) != std::string::npos; }
};

// Fallback texts handed out by the test's callback, in order; then none.
struct FallbackScript {
  std::vector<std::string> texts;
  size_t next = 0;
  int calls = 0;
};
inline FallbackScript *gFallback = nullptr;
inline void ScriptedFallback(NuvProtoLogin *, char **out) {
  *out = nullptr;
  if (!gFallback) return;
  gFallback->calls++;
  if (gFallback->next >= gFallback->texts.size()) return;
  const std::string &t = gFallback->texts[gFallback->next++];
  *out = static_cast<char *>(std::malloc(t.size() + 1));
  std::memcpy(*out, t.c_str(), t.size() + 1);
}

// Windows Sockets must be started once per process (the program does it at
// start-up); natively this does nothing.
inline bool SocketsStarted() {
  static const bool started = PlatSockStartup() == 0;
  return started;
}

inline NuvProtoParams DefaultParams() {
  SocketsStarted();
  NuvProtoParams p{};
  p.userId = "5551234567";
  p.password = "secret";
  p.version = "7.0";
  p.service = 1;
  p.packetTimeout = 10;
  p.retryInterval = -1;
  p.dutySeconds = 120;
  p.maxResends = 1;
  p.fallbackSeconds = 300;
  p.switchSeconds = 120;
  p.loginValidSeconds = 30;
  p.fallbackCallback = &ScriptedFallback;
  return p;
}

class Engine : public ::testing::Test {
 protected:
  std::unique_ptr<NuvProtoLogin> owned{new NuvProtoLogin{}};
  NuvProtoLogin *login = owned.get();
  uint16_t enginePort = 0;
  NuvProtoSession *session = nullptr;  // last receive's outputs
  uint8_t *packet = nullptr;
  FallbackScript fallback;

  void SetUp() override { Start(DefaultParams()); }
  void TearDown() override {
    NuvProtoClusterLogoutEx(login, 0);
    if (login->local.socket != 0) UDP_closeSocket(&login->local);
    gFallback = nullptr;
  }

  void Start(const NuvProtoParams &p) {
    gFallback = &fallback;
    ASSERT_EQ(NuvProtoInit(login, &p), 0);
    enginePort = PortOf(login->local.socket);
    ASSERT_NE(enginePort, 0);
  }

  // Installs "style:count:servers" and sends the LOGINs.
  int Install(int style, std::vector<Server *> servers) {
    std::string text = std::to_string(style) + ":" + std::to_string(servers.size());
    for (Server *s : servers) text += ":" + s->Entry();
    std::vector<char> buf(text.begin(), text.end());
    buf.push_back(0);
    return NuvProtoClusterLogin(login, buf.data());
  }

  // The server sends b; the engine reads and handles it.
  int Deliver(Server &from, const Bytes &b) {
    from.SendTo(enginePort, b);
    EXPECT_EQ(PlatSockWaitReadable(login->local.socket, 2000), 1);
    return NuvProtoRecvPacket(login, &session, &packet);
  }

  NuvProtoSession *SessionOf(const Server &s) {
    const PlatSockAddr a = Loopback(s.port);
    return FindSessionByAddress(login, a);
  }

  // A full login of one server: LOGIN seen, VALID and SUCCESS answered.
  int LogIn(Server &s, const std::string &success = "0:2:12345") {
    Dgram d;
    EXPECT_TRUE(s.Next(&d));
    EXPECT_EQ(d.cmd, 'a');
    Deliver(s, Make('p', d.seq, ""));
    const int rc = Deliver(s, Make('h', "007", success));
    s.Drain();  // the VALID for the SUCCESS
    return rc;
  }
};

}  // namespace enginetest
