// The clock's fallback with the real choice of server lists: once the stored
// list has been handed out, a cluster lost later moves on to the Redirect
// server or the built-in default server, not back to the stored list.

#include "config/config.h"
#include "engine_harness.h"

namespace enginetest {
namespace {

class LostCluster : public Engine {
 protected:
  char savedAddr[kConfigFieldSize] = {};
  char savedPort[kConfigFieldSize] = {};

  void SetUp() override {
    Engine::SetUp();
    login->fallbackCallback = &NuvEventProvideFallbackServer;
    std::memcpy(savedAddr, Config.REDIRECTADDR, sizeof savedAddr);
    std::memcpy(savedPort, Config.REDIRECTPORT, sizeof savedPort);
    Config.REDIRECTADDR[0] = 0;
    Config.REDIRECTPORT[0] = 0;
  }
  void TearDown() override {
    std::free(Config_serverListString);
    Config_serverListString = nullptr;
    std::memcpy(Config.REDIRECTADDR, savedAddr, sizeof savedAddr);
    std::memcpy(Config.REDIRECTPORT, savedPort, sizeof savedPort);
    Engine::TearDown();
  }

  void StoreList(const Server &s) {
    const std::string text = "0:1:" + s.Entry();
    Config_serverListString = static_cast<char *>(std::malloc(text.size() + 1));
    std::memcpy(Config_serverListString, text.c_str(), text.size() + 1);
  }
  // Ticks until the head of the table is no longer `port`; the ticks taken.
  int TicksUntilTableLeaves(uint16_t port, int most) {
    for (int tick = 1; tick <= most; ++tick) {
      NuvProtoTimerTick(login);
      if (login->serverCount > 0 && login->sessions[0].remote.port != port) return tick;
    }
    return -1;
  }
};

TEST_F(LostCluster, FallsBackPastTheStoredListToRedirectOrDefault) {
  for (bool withRedirect : {true, false}) {
    SCOPED_TRACE(withRedirect ? "Redirect server stored" : "no Redirect server");
    Server stored, redirect;
    StoreList(stored);
    if (withRedirect) {
      // A "7.0" save keeps address and port together in REDIRECTADDR.
      std::snprintf(Config.REDIRECTADDR, kConfigFieldSize, "%s", redirect.Entry().c_str());
      std::snprintf(Config.REDIRECTPORT, kConfigFieldSize, "10002");
    }
    // No table yet: the clock's first fallback hands out the stored list.
    login->fallbackStage = 0;
    NuvProtoTimerEnable(login, 1);
    ASSERT_EQ(TicksUntilTableLeaves(0, 301), 301);
    ASSERT_EQ(login->sessions[0].remote.port, stored.port);
    ASSERT_EQ(LogIn(stored), 0x60000001);
    EXPECT_EQ(login->fallbackStage, 1);

    // The stored server falls silent and is lost at 250 ticks of silence.
    int lostAt = 0;
    for (int tick = 1; tick <= 250 && !lostAt; ++tick)
      if (NuvProtoTimerTick(login) == 0x60000000) lostAt = tick;
    EXPECT_EQ(lostAt, 250);
    stored.Drain();

    // 301 ticks without login later the clock falls back, past the stored
    // list. The default server is real: keep every datagram from going out.
    std::unique_ptr<nuvtest::SocketFault> quiet;
    if (!withRedirect)
      quiet.reset(new nuvtest::SocketFault(login->local.socket, PLAT_SOCK_SEND, 10051));
    EXPECT_EQ(TicksUntilTableLeaves(stored.port, 400), 301);
    ASSERT_EQ(login->serverCount, 1);
    const UdpRemote &head = login->sessions[0].remote;
    if (withRedirect) {
      EXPECT_EQ(login->fallbackStage, 2);
      EXPECT_EQ(head.port, redirect.port);
      EXPECT_EQ(redirect.Commands(), "a");
    } else {
      EXPECT_EQ(login->fallbackStage, 3);
      EXPECT_STREQ(head.host, NUV_DEFAULT_SERVER);
      EXPECT_EQ(head.port, 10002);
    }
    // Left without LOGOUT: the stored server was no longer logged in.
    for (const Dgram &d : stored.Drain()) EXPECT_NE(d.cmd, 'b');

    quiet.reset();
    NuvProtoClusterLogoutEx(login, 0);
    std::free(Config_serverListString);
    Config_serverListString = nullptr;
    Config.REDIRECTADDR[0] = 0;
    Config.REDIRECTPORT[0] = 0;
  }
}

}  // namespace
}  // namespace enginetest
