// End to end against the server-cluster simulator (tools/nuvsim), whose codec
// is its own; tools/nuvsim links its library into this test group.

#include "engine_harness.h"
#include "nuvsim/simulator.h"

namespace enginetest {
namespace {

struct Delivered {
  int status;
  char command;
  std::string payload;
  unsigned sessionId;
};

class WithSimulator : public Engine {
 protected:
  nuvsim::Simulator sim;
  std::vector<Delivered> got;

  // Lets both sides handle everything that waits until neither has more.
  void Pump() {
    for (int round = 0; round < 50; ++round) {
      const int handled = sim.poll(0);  // loopback delivers within the send
      ASSERT_GE(handled, 0);
      int read = 0;
      while (PlatSockWaitReadable(login->local.socket, 0) == 1) {
        const int rc = NuvProtoRecvPacket(login, &session, &packet);
        Delivered d{rc, 0, "", 0};
        if (rc == 0) {
          d.command = static_cast<char>(packet[25]);
          d.payload = reinterpret_cast<char *>(packet + 32);
          d.sessionId = session->id;
        }
        got.push_back(d);
        ++read;
      }
      if (handled == 0 && read == 0) return;
    }
  }
  std::string ListOf(std::vector<int> servers) {
    std::string text = "0:" + std::to_string(servers.size());
    for (int s : servers) text += ":127.0.0.1/" + std::to_string(sim.serverPort(s));
    return text;
  }
  int Login(const std::string &list) {
    std::string text = list;
    return NuvProtoClusterLogin(login, text.data());
  }
  int CountStatus(int status) const {
    int n = 0;
    for (const Delivered &d : got) n += d.status == status;
    return n;
  }
};

TEST_F(WithSimulator, LogsInTakesACallAndAnswersIt) {
  const int a = sim.addServer("127.0.0.1", 0, nuvsim::ServerKind::Map);
  const int b = sim.addServer("127.0.0.1", 0, nuvsim::ServerKind::Map);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  ASSERT_EQ(Login(ListOf({a, b})), 0);
  Pump();
  EXPECT_EQ(login->loggedInServers, 2);
  EXPECT_EQ(login->service, 2);
  EXPECT_EQ(std::string(login->signature, 6), "NUVSIM");
  EXPECT_EQ(CountStatus(0x60000001), 1);
  EXPECT_EQ(NuvProtoQueuedPackets(login), 0);  // both LOGINs acknowledged
  EXPECT_EQ(sim.pendingCount(a), 0);           // both SUCCESSes acknowledged

  got.clear();
  ASSERT_EQ(sim.sendCall(a, 77, "John Smith", "5559876543", "1999-03-15-1432"), 1);
  Pump();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].status, 0);
  EXPECT_EQ(got[0].command, 'j');
  EXPECT_EQ(got[0].payload, "77:John Smith:5559876543:1999-03-15-1432");
  EXPECT_EQ(sim.pendingCount(a), 0);

  NuvProtoSession *from = NuvProtoFindSessionById(login, got[0].sessionId);
  ASSERT_NE(from, nullptr);
  got.clear();
  ASSERT_EQ(NuvProtoSendPacket(login, from, 'e', "5551234567", 77, 10, 0), 0);
  Pump();
  // The VALID for the PACCEPT, then its SUCCESS for the application.
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].status, 1);
  EXPECT_EQ(got[1].status, 0);
  EXPECT_EQ(got[1].command, 'h');
  EXPECT_EQ(from->pendingCommand, 'e');
  EXPECT_EQ(NuvProtoQueuedPackets(login), 0);
}

TEST_F(WithSimulator, RedirectServerHandsOverToTheMapServers) {
  const int redirect = sim.addServer("127.0.0.1", 0, nuvsim::ServerKind::Redirect);
  const int m1 = sim.addServer("127.0.0.1", 0, nuvsim::ServerKind::Map);
  const int m2 = sim.addServer("127.0.0.1", 0, nuvsim::ServerKind::Map);
  ASSERT_EQ(Login(ListOf({redirect})), 0);
  Pump();
  EXPECT_EQ(login->serverCount, 2);
  EXPECT_EQ(login->loggedInServers, 2);
  for (int i = 0; i < login->serverCount; ++i) {
    EXPECT_EQ(login->sessions[i].kind, kNuvKindMap);
    EXPECT_NE(login->sessions[i].remote.port, sim.serverPort(redirect));
  }
  EXPECT_FALSE(sim.peer(redirect, 0)->loggedIn);  // the client logged out of it
  EXPECT_TRUE(sim.peer(m1, 0)->loggedIn);
  EXPECT_TRUE(sim.peer(m2, 0)->loggedIn);
}

TEST_F(WithSimulator, SilentServerIsLostAndTheClusterFallsBack) {
  const int a = sim.addServer("127.0.0.1", 0, nuvsim::ServerKind::Map);
  const int spare = sim.addServer("127.0.0.1", 0, nuvsim::ServerKind::Map);
  fallback.texts = {ListOf({spare})};
  ASSERT_EQ(Login(ListOf({a})), 0);
  Pump();
  ASSERT_EQ(login->loggedIn, 1);
  sim.configure(a, [](nuvsim::Behaviour &b) { b.silent = true; });
  int lostAt = 0;
  for (int tick = 1; tick <= 600 && login->sessions && login->serverCount; ++tick) {
    const int rc = NuvProtoTimerTick(login);
    if (rc == 0x60000000) lostAt = tick;
    Pump();
    if (login->loggedIn && login->sessions[0].remote.port == sim.serverPort(spare)) break;
  }
  EXPECT_EQ(lostAt, 250);
  EXPECT_EQ(login->loggedIn, 1);
  EXPECT_EQ(login->sessions[0].remote.port, sim.serverPort(spare));
  EXPECT_EQ(fallback.calls, 1);
}

}  // namespace
}  // namespace enginetest
