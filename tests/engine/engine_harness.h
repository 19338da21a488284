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
#include "support/engine_rig.h"

namespace enginetest {

using nuvtest::Bytes;
using nuvtest::Dgram;
using nuvtest::Loopback;
using nuvtest::Make;
using nuvtest::PortOf;
using nuvtest::SocketsStarted;
using Server = nuvtest::Peer;

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

inline NuvProtoParams DefaultParams() {
  SocketsStarted();
  NuvProtoParams p = nuvtest::TestParams();
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
