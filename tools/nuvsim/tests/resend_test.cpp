// The server's own numbered packets: kept and resent until acknowledged.

#include <gtest/gtest.h>

#include "sim_fixture.h"

namespace nuvsim_test {
namespace {

class SimResendTest : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    login();
    deliver(clientPacket("7.0", "5551234567", "000", 'p', ""));  // acknowledges the SUCCESS
    ASSERT_EQ(sim_.pendingCount(0), 0);
  }
};

TEST_F(SimResendTest, UnacknowledgedPacketIsResentUnchangedUntilValid) {
  ASSERT_EQ(sim_.sendCall(kAllServers, 42, "John Smith", "5551230000", "1999-03-15-1432"), 1);
  const auto first = client_.receive(1);
  ASSERT_EQ(first.size(), 1u);

  sim_.advanceMs(9999);
  EXPECT_TRUE(client_.drain().empty());
  sim_.advanceMs(1);
  auto again = client_.receive(1);
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].bytes, first[0].bytes);
  EXPECT_EQ(outRecords().back()->note, "resend");

  deliver(clientPacket("7.0", "5551234567", "001", 'p', ""));
  EXPECT_EQ(sim_.pendingCount(0), 0);
  sim_.advanceMs(100000);
  EXPECT_TRUE(client_.drain().empty());
}

TEST_F(SimResendTest, GivesUpAfterMaxResendsFiredInTimeOrder) {
  sim_.configure(kAllServers, [](Behaviour &b) {
    b.resendMs = 3000;
    b.maxResends = 2;
  });
  ASSERT_EQ(sim_.sendMessage(kAllServers, "one"), 1);
  sim_.advanceMs(1000);
  ASSERT_EQ(sim_.sendMessage(kAllServers, "two"), 1);
  const size_t before = outRecords().size();
  sim_.advanceMs(60000);  // one call; the timers still fire in order
  const auto out = outRecords();
  ASSERT_EQ(out.size() - before, 4u);
  const struct {
    int64_t timeMs;
    const char *payload;
  } expected[] = {{3000, "one"}, {4000, "two"}, {6000, "one"}, {7000, "two"}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(out[before + i]->timeMs, expected[i].timeMs);
    EXPECT_EQ(out[before + i]->payload, expected[i].payload);
  }
  EXPECT_EQ(sim_.pendingCount(0), 0);
  EXPECT_EQ(sim_.nowMs(), 61000);
  EXPECT_EQ(client_.receive(6).size(), 6u);
}

TEST_F(SimResendTest, InvalidBringsAnImmediateResend) {
  ASSERT_EQ(sim_.sendMessage(kAllServers, "hello"), 1);
  const auto first = client_.receive(1);
  ASSERT_EQ(first.size(), 1u);
  deliver(clientPacket("7.0", "5551234567", "001", 'o', ""));
  const auto again = client_.receive(1);
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].bytes, first[0].bytes);
  EXPECT_EQ(sim_.pendingCount(0), 1);  // still awaits its VALID
}

TEST_F(SimResendTest, SequenceWrapsAfter999) {
  sim_.configure(kAllServers, [](Behaviour &b) { b.maxResends = 0; });
  // The SUCCESS had 000; 1000 more packets run 001..999 and then 000 again.
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(sim_.sendDuty(kAllServers), 1);
    sim_.advanceMs(10000);  // given up at once: the slot is free again
    if (i % 100 == 0) client_.drain();
  }
  const auto out = outRecords();
  ASSERT_GE(out.size(), 2u);
  EXPECT_STREQ(out[out.size() - 2]->sequence, "999");
  EXPECT_STREQ(out.back()->sequence, "000");
}

TEST_F(SimResendTest, FullSlotTableRefusesWithoutSending) {
  for (int i = 0; i < kMaxPending; ++i) ASSERT_EQ(sim_.sendDuty(kAllServers), 1);
  const size_t before = sim_.records().size();
  EXPECT_EQ(sim_.sendDuty(kAllServers), kSimNoSlot);
  EXPECT_EQ(sim_.records().size(), before);
  deliver(clientPacket("7.0", "5551234567", "005", 'p', ""));
  EXPECT_EQ(sim_.sendDuty(kAllServers), 1);
}

}  // namespace
}  // namespace nuvsim_test
