// A server's answers to hand-made client datagrams, checked byte by byte.

#include <gtest/gtest.h>

#include "sim_fixture.h"

namespace nuvsim_test {
namespace {

// The header a server sends back to the client "5551234567" of protocol 7.0.
std::string serverHeader(const char *seq, char command, uint32_t dataSize, const char *version = "7.0") {
  std::string d = clientPacket(version, "5551234567", seq, command, "");
  d.resize(28);
  for (int i = 3; i >= 0; --i) d += char(dataSize >> (8 * i) & 0xFF);  // network order
  return d;
}

std::string serverPacket(const char *seq, char command, const std::string &payload, const char *version = "7.0") {
  return serverHeader(seq, command, uint32_t(payload.size() + 1), version) + payload + std::string(4, '\0');
}

TEST_F(SimTest, LoginIsAcknowledgedAndAnsweredWithTheAccountFields) {
  deliver(clientPacket("7.0", "5551234567", "000", 'a', "abcde:1"));
  const auto got = client_.receive(2);
  ASSERT_EQ(got.size(), 2u);
  const std::string valid = got[0].bytes;
  EXPECT_EQ(valid, serverPacket("000", 'p', ""));
  EXPECT_EQ(valid.size(), 36u);
  EXPECT_EQ(got[1].bytes, serverPacket("000", 'h', "0:2:12345"));
  EXPECT_EQ(got[0].fromPort, sim_.serverPort(0));
  ASSERT_EQ(sim_.peerCount(0), 1);
  EXPECT_TRUE(sim_.peer(0, 0)->loggedIn);
  EXPECT_STREQ(sim_.peer(0, 0)->userId, "5551234567");
  EXPECT_EQ(sim_.pendingCount(0), 1);  // the SUCCESS awaits its VALID

  // The server's next numbered packet carries 001.
  ASSERT_EQ(sim_.sendMessage(kAllServers, "hi"), 1);
  const auto msg = client_.receive(1);
  ASSERT_EQ(msg.size(), 1u);
  EXPECT_EQ(msg[0].bytes, serverPacket("001", 'm', "hi"));
}

TEST_F(SimTest, AnswersKeepTheClientsVersion) {
  deliver(clientPacket("6.0", "5551234567", "000", 'a', "abcde"));
  const auto got = client_.receive(2);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].bytes, serverPacket("000", 'p', "", "6.0"));
  EXPECT_EQ(got[1].bytes, serverPacket("000", 'h', "0:2:12345", "6.0"));
}

TEST_F(SimTest, LoginFailAndSilence) {
  sim_.configure(kAllServers, [](Behaviour &b) { b.login = Reply::Fail; });
  deliver(clientPacket("7.0", "5551234567", "000", 'a', "abcde:1"));
  auto got = client_.receive(2);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[1].bytes, serverPacket("000", 'i', ""));
  EXPECT_FALSE(sim_.peer(0, 0)->loggedIn);

  sim_.configure(kAllServers, [](Behaviour &b) { b.login = Reply::Silent; });
  deliver(clientPacket("7.0", "5551234567", "000", 'a', "abcde:1"));
  got = client_.receive(1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].bytes, serverPacket("000", 'p', ""));  // acknowledged, not answered
  EXPECT_EQ(outRecords().size(), 3u);
  EXPECT_FALSE(sim_.peer(0, 0)->loggedIn);
}

TEST_F(SimTest, RedirectServerAnswersTheFlagAloneAndPushesTheMapServers) {
  const int redirect = sim_.addServer("127.0.0.1", 0, ServerKind::Redirect);
  sim_.configure(redirect, [](Behaviour &b) { b.firstCall = 1; });
  const std::string list = "ips:1:127.0.0.1/" + std::to_string(sim_.serverPort(0));
  EXPECT_EQ(sim_.mapServerList(), list);

  deliver(clientPacket("7.0", "5551234567", "000", 'a', "abcde:1"), redirect);
  auto got = client_.receive(3);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[1].bytes, serverPacket("000", 'h', "1"));
  EXPECT_EQ(got[2].bytes, serverPacket("001", 's', list));
  EXPECT_EQ(got[2].fromPort, sim_.serverPort(redirect));

  // Protocol 6.0 has no list push; the one MAP server goes as "ip1:".
  deliver(clientPacket("6.0", "5551234567", "000", 'a', "abcde"), redirect);
  got = client_.receive(3);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[2].bytes, serverPacket("003", 's', "ip1:127.0.0.1/" + std::to_string(sim_.serverPort(0)), "6.0"));
}

TEST_F(SimTest, DecisionsAreAcknowledgedThenAnswered) {
  login();
  struct Case {
    char command;
    const char *payload;
    Reply reply;
    char answer;  // 0: none
  } cases[] = {
      {'e', "42:10:5551234567", Reply::Success, 'h'}, {'d', "42", Reply::Fail, 'i'},
      {'c', "42", Reply::Success, 'h'},               {'r', "42", Reply::Fail, 'i'},
      {'r', "42:3", Reply::Silent, 0},
  };
  unsigned clientSeq = 1, serverSeq = 1;
  for (const Case &c : cases) {
    sim_.configure(kAllServers, [&](Behaviour &b) { b.decision = c.reply; });
    char seq[8], sseq[8];
    std::snprintf(seq, sizeof seq, "%03u", clientSeq++);
    deliver(clientPacket("7.0", "5551234567", seq, c.command, c.payload));
    const auto got = client_.receive(c.answer ? 2 : 1);
    ASSERT_EQ(got.size(), c.answer ? 2u : 1u) << c.command;
    EXPECT_EQ(got[0].bytes, serverPacket(seq, 'p', "")) << c.command;
    if (c.answer) {
      std::snprintf(sseq, sizeof sseq, "%03u", serverSeq++);
      EXPECT_EQ(got[1].bytes, serverPacket(sseq, c.answer, "")) << c.command;
    }
  }
  EXPECT_TRUE(client_.drain().empty());
}

TEST_F(SimTest, DutyIsAcknowledgedWithItsOwnSequenceBytes) {
  login();
  deliver(clientPacket("7.0", "5551234567", bytes({'-', '1', 0, 0}), 'q', ""));
  const auto got = client_.receive(1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].bytes, serverPacket(bytes({'-', '1', 0, 0}).c_str(), 'p', ""));
  EXPECT_EQ(got[0].bytes.substr(21, 4), bytes({'-', '1', 0, 0}));
}

TEST_F(SimTest, InvalidModeRejectsWithoutActing) {
  sim_.configure(kAllServers, [](Behaviour &b) { b.invalid = true; });
  deliver(clientPacket("7.0", "5551234567", "000", 'a', "abcde:1"));
  const auto got = client_.receive(1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].bytes, serverPacket("000", 'o', ""));
  EXPECT_FALSE(sim_.peer(0, 0)->loggedIn);
  EXPECT_EQ(outRecords().size(), 1u);
}

TEST_F(SimTest, NothingAnswersLogoutAcknowledgementsOrGarbage) {
  login();
  const size_t before = outRecords().size();
  const std::string login40 = clientPacket("7.0", "5551234567", "001", 'a', "abcde:1").substr(0, 40);
  const std::string cases[] = {
      clientPacket("7.0", "5551234567", "000", 'p', ""),   // VALID of the SUCCESS: never answered
      clientPacket("7.0", "5551234567", "005", 'o', ""),   // INVALID likewise
      clientPacket("7.0", "5551234567", "002", 'z', "x"),  // no command
      login40,                                             // shorter than 35 + dataSize
      std::string("short"),
      std::string(),                                       // empty datagram
      clientPacket("7.0", "5551234567", "003", 'b', "abcde"),  // LOGOUT, last
  };
  for (const std::string &d : cases) deliver(d);
  EXPECT_EQ(outRecords().size(), before);
  EXPECT_TRUE(client_.drain().empty());
  EXPECT_FALSE(sim_.peer(0, 0)->loggedIn);

  const auto &recs = sim_.records();
  const Record &shortOne = recs[recs.size() - 4];
  EXPECT_EQ(shortOne.status, DecodeStatus::ShortPayload);
  EXPECT_EQ(shortOne.bytes.size(), 40u);
  EXPECT_EQ(recs[recs.size() - 3].status, DecodeStatus::ShortHeader);
  EXPECT_EQ(recs[recs.size() - 2].bytes.size(), 0u);
}

TEST_F(SimTest, RecordsCarryTheDecodedFields) {
  deliver(clientPacket("7.0", "5551234567", "000", 'a', "abcde:1"));
  client_.receive(2);
  ASSERT_EQ(sim_.records().size(), 3u);
  const Record &in = sim_.records()[0];
  EXPECT_EQ(in.dir, Direction::In);
  EXPECT_EQ(in.server, 0);
  EXPECT_EQ(in.peerAddr, kLoopback);
  EXPECT_EQ(in.peerPort, client_.port());
  EXPECT_EQ(in.localPort, sim_.serverPort(0));
  EXPECT_STREQ(in.version, "7.0");
  EXPECT_STREQ(in.userId, "5551234567");
  EXPECT_STREQ(in.sequence, "000");
  EXPECT_EQ(in.command, 'a');
  EXPECT_STREQ(in.name, "LOGIN");
  EXPECT_EQ(in.dataSize, 8u);
  EXPECT_EQ(in.sizeOrder, SizeOrder::Little);
  EXPECT_EQ(in.payload, "abcde:1");
  EXPECT_EQ(in.bytes.size(), 43u);

  const Record &ack = sim_.records()[1];
  EXPECT_EQ(ack.dir, Direction::Out);
  EXPECT_STREQ(ack.name, "VALID");
  EXPECT_EQ(ack.sizeOrder, SizeOrder::Big);
  EXPECT_EQ(ack.note, "ack LOGIN");
  EXPECT_EQ(sim_.records()[2].payload, "0:2:12345");

  const std::string line = formatRecord(in);
  for (const char *part : {"S0 IN ", "127.0.0.1:", "v=7.0", "user=5551234567", "seq=000", "a LOGIN", "size=8(le)",
                           "\"abcde:1\""})
    EXPECT_NE(line.find(part), std::string::npos) << part << " in " << line;
}

TEST_F(SimTest, WrongPortSilenceAndSizeOrder) {
  sim_.configure(kAllServers, [](Behaviour &b) { b.wrongPort = true; });
  deliver(clientPacket("7.0", "5551234567", "000", 'a', "abcde:1"));
  auto got = client_.receive(2);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].fromPort, sim_.serverWrongPort(0));
  EXPECT_NE(got[0].fromPort, sim_.serverPort(0));

  sim_.configure(kAllServers, [](Behaviour &b) {
    b.wrongPort = false;
    b.sizeOrder = SizeOrder::Little;
  });
  ASSERT_EQ(sim_.sendDuty(kAllServers), 1);
  got = client_.receive(1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].bytes.substr(25), bytes({'q', 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}));

  sim_.configure(kAllServers, [](Behaviour &b) { b.silent = true; });
  const size_t before = sim_.records().size();
  deliver(clientPacket("7.0", "5551234567", "001", 'd', "7"));
  EXPECT_EQ(sim_.sendMessage(kAllServers, "anyone?"), 1);
  sim_.advanceMs(60000);  // resends stay silent too
  EXPECT_TRUE(client_.drain().empty());
  for (size_t i = before; i < sim_.records().size(); ++i)
    EXPECT_EQ(sim_.records()[i].fate, Fate::Silenced) << formatRecord(sim_.records()[i]);
}

TEST_F(SimTest, CallsGoOncePerClientAcrossTheCluster) {
  const int second = sim_.addServer("127.0.0.1", 0, ServerKind::Map);
  login(0);
  login(second);
  ASSERT_EQ(sim_.sendCall(kAllServers, 42, "John Smith", "5551230000", "1999-03-15-1432"), 1);
  auto got = client_.receive(1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].fromPort, sim_.serverPort(0));
  EXPECT_EQ(got[0].bytes, serverPacket("001", 'j', "42:John Smith:5551230000:1999-03-15-1432"));
  // Per-session commands go from every server.
  EXPECT_EQ(sim_.sendRelogin(kAllServers), 2);
  got = client_.receive(2);
  ASSERT_EQ(got.size(), 2u);
  // An addressed server only.
  EXPECT_EQ(sim_.sendDisconnect(second, "42:gone"), 1);
  got = client_.receive(1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].fromPort, sim_.serverPort(second));
  EXPECT_EQ(sim_.sendDuty(7), kSimBadArgument);
}

TEST(SimServers, AddressesAndTableAreChecked) {
  Simulator sim;
  EXPECT_EQ(sim.addServer("1.2.3", 0, ServerKind::Map), kSimBadArgument);
  EXPECT_EQ(sim.addServer("example.com", 0, ServerKind::Map), kSimBadArgument);
  for (int i = 0; i < kMaxServers; ++i) ASSERT_EQ(sim.addServer("127.0.0.1", 0, ServerKind::Map), i);
  EXPECT_EQ(sim.addServer("127.0.0.1", 0, ServerKind::Map), kSimBadArgument);
  EXPECT_EQ(sim.serverCount(), kMaxServers);
  EXPECT_EQ(sim.poll(0), 0);
  // A port in use cannot be opened twice.
  Simulator other;
  EXPECT_EQ(other.addServer("127.0.0.1", sim.serverPort(0), ServerKind::Map), kSimSocketError);
}

}  // namespace
}  // namespace nuvsim_test
