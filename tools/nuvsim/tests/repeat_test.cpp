// Decisions counted once: a resent decision is acknowledged again and never
// acted on twice; the counts; paced floods.

#include <gtest/gtest.h>

#include <cstring>

#include "nuvsim/control.h"
#include "sim_fixture.h"

namespace nuvsim_test {
namespace {

// The commands of what the client has received so far, e.g. "ph".
std::string commandsReceived(Client &c) {
  std::string s;
  for (const auto &d : c.drain()) s += d.bytes.size() > 25 ? d.bytes[25] : '?';
  return s;
}

TEST_F(SimTest, ResentDecisionIsAcknowledgedButActedOnOnce) {
  login();
  struct Step {
    const char *what;
    const char *seq;
    char command;
    const char *payload;
    const char *answer;  // commands the client gets back
    bool repeat;
  } steps[] = {
      {"first PACCEPT", "001", 'e', "42:10:2045553636", "ph", false},
      {"the same again", "001", 'e', "42:10:2045553636", "p", true},
      {"a third copy", "001", 'e', "42:10:2045553636", "p", true},
      {"same sequence, other payload", "001", 'e', "43:10:2045553636", "ph", false},
      {"same payload, other sequence", "002", 'e', "42:10:2045553636", "ph", false},
      {"same sequence, other command", "002", 'd', "42:10:2045553636", "ph", false},
      {"PIGNORE", "003", 'c', "44", "ph", false},
      {"PIGNORE again", "003", 'c', "44", "p", true},
      {"PACKN2", "004", 'r', "45", "ph", false},
  };
  for (const Step &s : steps) {
    deliver(clientPacket("7.0", "5551234567", s.seq, s.command, s.payload));
    client_.receive(strlen(s.answer), 500);
    EXPECT_EQ(commandsReceived(client_), "") << s.what << ": more than expected";
    const Record *in = nullptr;
    for (const Record &r : sim_.records())
      if (r.dir == Direction::In) in = &r;
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(in->note, s.repeat ? "repeat" : "") << s.what;
    EXPECT_EQ(formatRecord(*in).find("(repeat)") != std::string::npos, s.repeat) << s.what;
  }
  const Stats &st = sim_.stats();
  EXPECT_EQ(st.decisions, 6u);
  EXPECT_EQ(st.repeats, 3u);
  EXPECT_EQ(st.decisionsBy[decisionIndex('e')], 3u);
  EXPECT_EQ(st.repeatsBy[decisionIndex('e')], 2u);
  EXPECT_EQ(st.decisionsBy[decisionIndex('c')], 1u);
  EXPECT_EQ(st.repeatsBy[decisionIndex('c')], 1u);
  EXPECT_EQ(st.decisionsBy[decisionIndex('d')], 1u);
  EXPECT_EQ(st.decisionsBy[decisionIndex('r')], 1u);
  EXPECT_EQ(formatStats(st), "decisions=6 repeats=3 PIGNORE=1/1 PACKN=1/0 PACCEPT=3/2 PACKN2=1/0 flood=0 second-port-in=0");
}

TEST_F(SimTest, NewLoginStartsANewCountOfDecisions) {
  login();
  const std::string decision = clientPacket("7.0", "5551234567", "001", 'd', "42");
  deliver(decision);
  client_.receive(2);
  login();  // the client's counter starts at 000 again: 001 may come anew
  deliver(decision);
  const auto got = client_.receive(2, 500);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[1].bytes[25], 'h');
  EXPECT_EQ(sim_.stats().decisions, 2u);
  EXPECT_EQ(sim_.stats().repeats, 0u);
}

TEST_F(SimTest, RepeatsAreCountedPerClient) {
  login();
  Client other;
  other.send(sim_.serverPort(0), clientPacket("7.0", "5559999999", "000", 'a', "abcde:1"));
  for (int i = 0; i < 20 && sim_.peerCount(0) < 2; ++i) sim_.poll(100);
  other.receive(2);
  const std::string decision = clientPacket("7.0", "5551234567", "001", 'd', "42");
  deliver(decision);
  other.send(sim_.serverPort(0), decision);  // same bytes, another client
  for (int i = 0; i < 20 && other.receive(2, 100).size() < 2; ++i) sim_.poll(100);
  EXPECT_EQ(sim_.stats().decisions, 2u);
  EXPECT_EQ(sim_.stats().repeats, 0u);
}

TEST_F(SimTest, FloodIsPacedBySimulatorTime) {
  login();
  ASSERT_EQ(sim_.startFlood(0, FloodKind::Calls, 30, 1000), kSimOk);  // one per ms
  EXPECT_EQ(client_.receive(1, 500).size(), 1u);  // the first at once
  sim_.advanceMs(9);
  auto got = client_.receive(9, 500);
  ASSERT_EQ(got.size(), 9u);
  EXPECT_TRUE(sim_.flooding());
  // Valid PINCOMINGs, each with the next sequence number (the SUCCESS was 000).
  EXPECT_EQ(got[0].bytes.substr(21, 4), std::string("002\0", 4));
  EXPECT_EQ(got[0].bytes[25], 'j');
  sim_.advanceMs(1000);
  EXPECT_EQ(client_.receive(20, 500).size(), 20u);
  EXPECT_FALSE(sim_.flooding());
  EXPECT_EQ(sim_.stats().floodSent, 30u);
  EXPECT_EQ(sim_.pendingCount(0), 1u) << "flood calls are not kept for resends (only the SUCCESS is)";

  // Each kind of garbage, as the client will see it.
  struct Case {
    FloodKind kind;
    size_t minLen, maxLen;
    bool letterOutsideRange;
  } cases[] = {
      {FloodKind::Short, 1, 31, false},
      {FloodKind::Letters, 36, 80, true},
      {FloodKind::Oversize, 12000, 12000, false},
  };
  for (const Case &c : cases) {
    ASSERT_EQ(sim_.startFlood(0, c.kind, 5, 1000000), kSimOk);
    sim_.advanceMs(1);
    got = client_.receive(5, 500);
    ASSERT_EQ(got.size(), 5u);
    for (const auto &d : got) {
      EXPECT_GE(d.bytes.size(), c.minLen);
      EXPECT_LE(d.bytes.size(), c.maxLen);
      if (c.letterOutsideRange) {
        EXPECT_FALSE(isCommand(d.bytes[25]));
      }
    }
  }
}

TEST_F(SimTest, StatsAndFloodControlLines) {
  std::string reply;
  EXPECT_EQ(runControl(sim_, "flood calls 5 100", "", reply), kControlError);
  EXPECT_EQ(reply, "no server has a logged-in client");
  login();
  for (const char *bad : {"flood", "flood storm 5 100", "flood calls 0 100", "flood calls 5 0", "flood calls x 1",
                          "flood calls 5 100 abroad", "flood calls 5 100 foreign more"})
    EXPECT_EQ(runControl(sim_, bad, "", reply), kControlError) << bad;
  ASSERT_EQ(runControl(sim_, "flood mixed 8 100000", "", reply), kControlOk) << reply;
  EXPECT_EQ(reply, "flood of 8 from S0 to 1 client(s)");
  sim_.advanceMs(1);
  EXPECT_EQ(client_.receive(8, 500).size(), 8u);
  ASSERT_EQ(runControl(sim_, "stats", "", reply), kControlOk);
  EXPECT_EQ(reply, "decisions=0 repeats=0 PIGNORE=0/0 PACKN=0/0 PACCEPT=0/0 PACKN2=0/0 flood=8 second-port-in=0");
}

// A hostile sender: the flood leaves from the second socket, whose port the
// client does not know; whatever the client sends back to it is counted.
TEST_F(SimTest, ForeignFloodComesFromTheSecondPortAndCountsAnswers) {
  login();
  std::string reply;
  ASSERT_EQ(runControl(sim_, "flood empty 4 100000 foreign", "", reply), kControlOk) << reply;
  EXPECT_EQ(reply, "flood of 4 from S0's second port to 1 client(s)");
  sim_.advanceMs(1);
  const auto got = client_.receive(4, 500);
  ASSERT_EQ(got.size(), 4u);
  for (const auto &d : got) {
    EXPECT_EQ(d.bytes.size(), 0u);
    EXPECT_EQ(d.fromPort, sim_.serverWrongPort(0));
  }
  EXPECT_EQ(sim_.stats().secondPortIn, 0u);
  // An answer to the foreign sender, and one to the server itself.
  client_.send(sim_.serverWrongPort(0), clientPacket("7.0", "5551234567", "002", 'p', ""));
  deliver(clientPacket("7.0", "5551234567", "003", 'q', ""));
  for (int i = 0; i < 20 && sim_.stats().secondPortIn == 0; ++i) sim_.poll(100);
  EXPECT_EQ(sim_.stats().secondPortIn, 1u);

  // Without "foreign" a flood comes from the server's own port.
  ASSERT_EQ(runControl(sim_, "flood calls 1 10", "", reply), kControlOk) << reply;
  const auto own = client_.receive(2, 500);  // the flood call (and the VALID of the DUTY)
  bool call = false;
  for (const auto &d : own)
    if (d.bytes.size() > 25 && d.bytes[25] == 'j') call = d.fromPort == sim_.serverPort(0);
  EXPECT_TRUE(call);
}

}  // namespace
}  // namespace nuvsim_test
