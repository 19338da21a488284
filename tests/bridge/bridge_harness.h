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
#include "support/engine_rig.h"
#include "support/fresh_folder.h"

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
// send it; no user id) and read back.
using nuvtest::Bytes;
using nuvtest::Dgram;
using nuvtest::Loopback;
using nuvtest::PortOf;

inline Bytes MakeDatagram(char cmd, const std::string &seq, const std::string &payload,
                          const char *version = "7.0") {
  return nuvtest::Make(cmd, seq, payload, version, false, "");
}

// One server: a raw socket on 127.0.0.1 that sends to the program's engine.
struct Peer : nuvtest::Peer {
  void Send(const Bytes &b) const { SendTo(PortOf(nuvLogin.local.socket), b); }
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
    folder = nuvtest::EnterFreshFolder("nuv-bridge-", &previous);

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

    NuvProtoParams p = nuvtest::TestParams();
    p.userId = "2045553636";
    p.password = "secret1";
    p.fallbackCallback = &NuvEventProvideFallbackServer;
    ASSERT_EQ(NuvProtoInit(&nuvLogin, &p), 0);
  }

  void TearDown() override {
    NuvProtoClusterLogoutEx(&nuvLogin, 0);
    UDP_closeSocket(&nuvLogin.local);
    nuvtest::LeaveFreshFolder(previous, folder);
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
