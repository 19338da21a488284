// Fault injection: seeded, so a run repeats exactly.

#include <gtest/gtest.h>

#include "sim_fixture.h"

namespace nuvsim_test {
namespace {

// The same traffic against a fresh simulator: what happened to each datagram.
std::vector<std::string> fatesOfRun(uint64_t seed) {
  Simulator sim;
  Client client;
  EXPECT_EQ(sim.addServer("127.0.0.1", 0, ServerKind::Map), 0);
  sim.seed(seed);
  Faults &f = sim.faults();
  f.dropPercent = 20;
  f.dupPercent = 20;
  f.delayPercent = 20;
  f.reorderPercent = 20;
  f.delayMs = 500;
  for (int i = 0; i < 30; ++i) {
    char seq[8];
    std::snprintf(seq, sizeof seq, "%03d", i);
    client.send(sim.serverPort(0), clientPacket("7.0", "5551234567", seq, i == 0 ? 'a' : 'd', "7"));
    size_t seen = 0;
    for (int tries = 0; tries < 50 && seen == 0; ++tries) {
      const int n = sim.poll(100);
      EXPECT_GE(n, 0);
      seen += size_t(n);
    }
    sim.advanceMs(100);
  }
  sim.advanceMs(100000);
  std::vector<std::string> fates;
  for (const Record &r : sim.records())
    fates.push_back(std::string(r.dir == Direction::In ? "in " : "out ") + r.name + " " + r.sequence + " " +
                    fateName(r.fate) + " @" + std::to_string(r.timeMs));
  return fates;
}

TEST(SimFaults, SameSeedSameRunOtherSeedOtherRun) {
  const auto a = fatesOfRun(1234);
  const auto b = fatesOfRun(1234);
  const auto c = fatesOfRun(99);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  // Every kind of fault happened at least once.
  for (const char *kind : {"dropped", "duplicate", "delayed", "reordered"}) {
    bool seen = false;
    for (const auto &line : a) seen = seen || line.find(kind) != std::string::npos;
    EXPECT_TRUE(seen) << kind;
  }
}

TEST_F(SimTest, DropAndDuplicateOutgoing) {
  sim_.faults().incoming = false;
  sim_.faults().dropPercent = 100;
  deliver(clientPacket("7.0", "5551234567", "000", 'a', "abcde:1"));
  auto out = outRecords();
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0]->fate, Fate::Dropped);
  EXPECT_EQ(out[1]->fate, Fate::Dropped);
  EXPECT_TRUE(client_.drain().empty());
  EXPECT_EQ(sim_.pendingCount(0), 1);  // the lost SUCCESS is still kept for resending

  sim_.faults().dropPercent = 0;
  sim_.faults().dupPercent = 100;
  sim_.advanceMs(10000);
  const auto got = client_.receive(2);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].bytes, got[1].bytes);
  out = outRecords();
  EXPECT_EQ(out[out.size() - 2]->fate, Fate::Normal);
  EXPECT_EQ(out.back()->fate, Fate::Duplicate);
}

TEST_F(SimTest, DelayHoldsUntilTheSimulatorTimeComes) {
  sim_.faults().incoming = false;
  sim_.faults().delayPercent = 100;
  sim_.faults().delayMs = 500;
  deliver(clientPacket("7.0", "5551234567", "000", 'a', "abcde:1"));
  EXPECT_TRUE(outRecords().empty());
  sim_.advanceMs(499);
  EXPECT_TRUE(client_.drain().empty());
  sim_.advanceMs(1);
  const auto got = client_.receive(2);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].bytes[25], 'p');
  EXPECT_EQ(got[1].bytes[25], 'h');
  for (const Record *r : outRecords()) {
    EXPECT_EQ(r->fate, Fate::Delayed);
    EXPECT_EQ(r->timeMs, 500);
  }
}

TEST_F(SimTest, ReorderPassesADatagramAfterTheNextOne) {
  login();
  sim_.faults().reorderPercent = 100;
  ASSERT_EQ(sim_.sendMessage(kAllServers, "first"), 1);
  sim_.faults().reorderPercent = 0;
  ASSERT_EQ(sim_.sendMessage(kAllServers, "second"), 1);
  const auto got = client_.receive(2);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].bytes.substr(32, 6), "second");
  EXPECT_EQ(got[1].bytes.substr(32, 5), "first");
  EXPECT_EQ(outRecords().back()->fate, Fate::Reordered);
}

TEST_F(SimTest, IncomingFaults) {
  sim_.faults().outgoing = false;
  sim_.faults().dropPercent = 100;
  deliver(clientPacket("7.0", "5551234567", "000", 'a', "abcde:1"));
  EXPECT_EQ(sim_.records().back().fate, Fate::Dropped);
  EXPECT_TRUE(outRecords().empty());
  EXPECT_EQ(sim_.peerCount(0), 0);

  sim_.faults().dropPercent = 0;
  sim_.faults().delayPercent = 100;
  sim_.faults().delayMs = 2000;
  client_.send(sim_.serverPort(0), clientPacket("7.0", "5551234567", "000", 'a', "abcde:1"));
  int handled = 0;
  for (int i = 0; i < 50 && handled == 0; ++i) handled = sim_.poll(100);
  ASSERT_EQ(handled, 1);
  EXPECT_EQ(sim_.records().size(), 1u);  // held, not yet handled
  sim_.advanceMs(2000);
  EXPECT_EQ(client_.receive(2).size(), 2u);
  EXPECT_EQ(sim_.records()[1].fate, Fate::Delayed);
  EXPECT_EQ(sim_.records()[1].dir, Direction::In);

  sim_.faults().delayPercent = 0;
  sim_.faults().dupPercent = 100;
  deliver(clientPacket("7.0", "5551234567", "001", 'd', "7"));
  // Handled twice: two VALIDs, but the copy is a repeat, so one answer.
  const auto got = client_.receive(4, 500);
  ASSERT_EQ(got.size(), 3u);
  int valid = 0, success = 0;
  for (const auto &d : got) {
    valid += d.bytes[25] == 'p';
    success += d.bytes[25] == 'h';
  }
  EXPECT_EQ(valid, 2);
  EXPECT_EQ(success, 1);
  EXPECT_EQ(sim_.stats().repeats, 1u);
}

}  // namespace
}  // namespace nuvsim_test
