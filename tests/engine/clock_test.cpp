// Protocol clock: every timing is driven by calling NuvProtoTimerTick.

#include "engine_harness.h"

namespace enginetest {
namespace {

// What each server received at each tick, as "tick:letters".
struct Timeline {
  std::vector<std::vector<std::string>> perServer;
  std::vector<int> status;  // per tick, index 0 unused
};

class Clock : public Engine {
 protected:
  Timeline Run(int ticks, std::vector<Server *> servers) {
    Timeline t;
    t.perServer.resize(servers.size());
    t.status.push_back(0);
    for (int tick = 1; tick <= ticks; ++tick) {
      t.status.push_back(NuvProtoTimerTick(login));
      for (size_t i = 0; i < servers.size(); ++i) {
        const std::string got = servers[i]->Commands();
        if (!got.empty()) t.perServer[i].push_back(std::to_string(tick) + ":" + got);
      }
    }
    return t;
  }
  using Lines = std::vector<std::string>;
};

TEST_F(Clock, UnansweredLoginIsResentAt10AndReplacedEvery30) {
  Server a;
  ASSERT_EQ(Install(0, {&a}), 0);
  Dgram first;
  ASSERT_TRUE(a.Next(&first));
  // Resends at 10 and 70; new LOGINs (sequence 000 again) at 40 and 100.
  const Timeline t = Run(130, {&a});
  EXPECT_EQ(t.perServer[0], (Lines{"10:a", "40:a", "70:a", "100:a", "130:a"}));
  EXPECT_EQ(NuvProtoQueuedPackets(login), 1);
  EXPECT_EQ(login->outTime, 130);
}

TEST_F(Clock, ResentLoginIsTheSameDatagram) {
  Server a;
  ASSERT_EQ(Install(0, {&a}), 0);
  Dgram first, again, fresh;
  ASSERT_TRUE(a.Next(&first));
  for (int i = 0; i < 10; ++i) NuvProtoTimerTick(login);
  ASSERT_TRUE(a.Next(&again));
  EXPECT_EQ(again.bytes, first.bytes);
  for (int i = 0; i < 30; ++i) NuvProtoTimerTick(login);
  ASSERT_TRUE(fresh.bytes.empty() && a.Next(&fresh));
  EXPECT_EQ(fresh.seq, "000");
  EXPECT_EQ(SessionOf(a)->resendCount, 0);
}

TEST_F(Clock, SilentServerGetsDutyAt120And240AndIsLostAt250) {
  Server a;
  ASSERT_EQ(Install(0, {&a}), 0);
  ASSERT_EQ(LogIn(a), 0x60000001);
  const Timeline t = Run(250, {&a});
  EXPECT_EQ(t.perServer[0], (Lines{"120:q", "240:q", "250:a"}));
  for (int tick = 1; tick < 250; ++tick) ASSERT_EQ(t.status[tick], 0) << tick;
  EXPECT_EQ(t.status[250], 0x60000000);  // the only logged-in server
  EXPECT_EQ(login->loggedIn, 0);
  EXPECT_EQ(SessionOf(a)->loginState, kNuvNotLoggedIn);
}

TEST_F(Clock, DutyCarriesMinusOneAndAnEmptyPayload) {
  Server a;
  ASSERT_EQ(Install(0, {&a}), 0);
  ASSERT_EQ(LogIn(a), 0x60000001);
  for (int i = 0; i < 120; ++i) NuvProtoTimerTick(login);
  Dgram duty;
  ASSERT_TRUE(a.Next(&duty));
  EXPECT_EQ(duty.cmd, 'q');
  EXPECT_EQ(duty.seq, "-1");
  EXPECT_EQ(duty.dataSize, 1u);
  EXPECT_EQ(duty.bytes.size(), 36u);
  EXPECT_EQ(NuvProtoQueuedPackets(login), 0);  // not kept
}

TEST_F(Clock, AnsweringServerStaysLoggedIn) {
  Server a, b;
  ASSERT_EQ(Install(0, {&a, &b}), 0);
  ASSERT_EQ(LogIn(a), 0x60000001);
  ASSERT_EQ(LogIn(b), 1);
  int most = 0;
  for (int tick = 1; tick <= 600; ++tick) {
    ASSERT_EQ(NuvProtoTimerTick(login), 0);
    most = std::max(most, SessionOf(a)->silence);
    if (a.Commands().find('q') != std::string::npos) Deliver(a, Make('p', "-1", ""));
  }
  EXPECT_LE(most, 121);
  EXPECT_EQ(SessionOf(a)->loginState, kNuvLoggedIn);
  // b never answered: lost at 250, but a still holds the cluster.
  EXPECT_EQ(SessionOf(b)->loginState, kNuvNotLoggedIn);
  EXPECT_EQ(login->loggedIn, 1);
}

TEST_F(Clock, UnacknowledgedRequestIsResentOnceThenTheSessionLogsInAgain) {
  Server a;
  ASSERT_EQ(Install(0, {&a}), 0);
  ASSERT_EQ(LogIn(a), 0x60000001);
  ASSERT_EQ(NuvProtoSendPacket(login, SessionOf(a), 'd', nullptr, 5, 0, 0), 0);
  a.Drain();
  const Timeline t = Run(45, {&a});
  // PACKN again at 10 and, in the same tick, LOGIN; the PACKN is not repeated.
  ASSERT_FALSE(t.perServer[0].empty());
  EXPECT_EQ(t.perServer[0][0], "10:da");
  EXPECT_EQ(t.status[10], 0x60000000);
  for (const std::string &line : t.perServer[0]) EXPECT_EQ(line.find('d'), line == "10:da" ? 3u : std::string::npos);
}

// A LOGIN starts the sequences anew: a request kept from before it must not
// go out again after the new login with a number of the old count, which a
// server takes for a new request (one decision acted on twice).
TEST_F(Clock, RequestsKeptBeforeANewLoginAreNotSentAfterIt) {
  Server a;
  ASSERT_EQ(Install(0, {&a}), 0);
  ASSERT_EQ(LogIn(a), 0x60000001);
  ASSERT_EQ(NuvProtoSendPacket(login, SessionOf(a), 'd', nullptr, 5, 0, 0), 0);
  ASSERT_EQ(NuvProtoSendPacket(login, SessionOf(a), 'c', nullptr, 6, 0, 0), 0);
  a.Drain();
  EXPECT_EQ(NuvProtoQueuedPackets(login), 2);
  // The server asks for a new login before it acknowledged either.
  EXPECT_EQ(Deliver(a, Make('g', "010", "")), 1);
  Dgram ack;
  ASSERT_TRUE(a.Next(&ack));
  EXPECT_EQ(ack.cmd, 'p');
  EXPECT_EQ(NuvProtoQueuedPackets(login), 1);  // the LOGIN alone
  ASSERT_EQ(LogIn(a), 0x60000001);
  const Timeline t = Run(30, {&a});
  EXPECT_TRUE(t.perServer[0].empty());
  EXPECT_EQ(NuvProtoQueuedPackets(login), 0);
  EXPECT_EQ(SessionOf(a)->loginState, kNuvLoggedIn);
}

TEST_F(Clock, FailedResendUsesUpNoResend) {
  Server a;
  ASSERT_EQ(Install(0, {&a}), 0);
  ASSERT_EQ(LogIn(a), 0x60000001);
  // Time-out 5, one resend: the retry countdown (10) acts only after the
  // answer to the resend could have come.
  ASSERT_EQ(Deliver(a, Make('s', "009", "time:5:1:120")), 0x20000001);
  ASSERT_EQ(NuvProtoSendPacket(login, SessionOf(a), 'd', nullptr, 5, 0, 0), 0);
  a.Drain();
  for (int tick = 1; tick < 5; ++tick) ASSERT_EQ(NuvProtoTimerTick(login), 0);
  {
    TraceLog trace;
    nuvtest::SocketFault fault(login->local.socket, PLAT_SOCK_SEND, 10055);
    EXPECT_EQ(NuvProtoTimerTick(login), EMISC);  // tick 5
    EXPECT_TRUE(trace.Has("WSAENOBUFS"));
  }
  EXPECT_EQ(SessionOf(a)->resendCount, 0);
  EXPECT_EQ(NuvProtoQueuedPackets(login), 1);
  EXPECT_EQ(NuvProtoTimerTick(login), 0);  // tick 6: the resend goes out
  Dgram again;
  ASSERT_TRUE(a.Next(&again));
  EXPECT_EQ(again.cmd, 'd');
  EXPECT_EQ(SessionOf(a)->resendCount, 1);
  Deliver(a, Make('p', again.seq, ""));
  const Timeline t = Run(30, {&a});
  EXPECT_TRUE(t.perServer[0].empty());
  for (int tick = 1; tick <= 30; ++tick) EXPECT_EQ(t.status[tick], 0) << tick;
  EXPECT_EQ(SessionOf(a)->loginState, kNuvLoggedIn);
}

TEST_F(Clock, FailedLoginResendIsTriedAgainAtTheNextTick) {
  Server a;
  ASSERT_EQ(Install(0, {&a}), 0);
  a.Drain();
  for (int tick = 1; tick < 10; ++tick) NuvProtoTimerTick(login);
  {
    nuvtest::SocketFault fault(login->local.socket, PLAT_SOCK_SEND, 10065);
    EXPECT_EQ(NuvProtoTimerTick(login), EMISC);  // tick 10
  }
  EXPECT_EQ(SessionOf(a)->resendCount, 0);
  // Resent at 11, then as ever: replaced 30 ticks after the resend.
  const Timeline t = Run(71, {&a});
  EXPECT_EQ(t.perServer[0], (Lines{"1:a", "31:a", "61:a"}));
}

TEST_F(Clock, FailedSendEndsTheTickEarly) {
  Server a, b;
  ASSERT_EQ(Install(0, {&a, &b}), 0);
  ASSERT_EQ(LogIn(a), 0x60000001);
  ASSERT_EQ(LogIn(b), 1);
  for (int tick = 1; tick < 120; ++tick) ASSERT_EQ(NuvProtoTimerTick(login), 0);
  {
    TraceLog trace;
    nuvtest::SocketFault fault(login->local.socket, PLAT_SOCK_SEND, 10050);
    EXPECT_EQ(NuvProtoTimerTick(login), EMISC);  // tick 120: a's DUTY fails
    EXPECT_EQ(fault.hits, 1);                    // nothing else was tried
  }
  // b was left for the next tick.
  EXPECT_EQ(SessionOf(a)->silence, 120);
  EXPECT_EQ(SessionOf(b)->silence, 119);
  EXPECT_EQ(NuvProtoQueuedPackets(login), 0);
  const Timeline t = Run(1, {&a, &b});
  EXPECT_TRUE(t.perServer[0].empty());
  EXPECT_EQ(t.perServer[1], (Lines{"1:q"}));
}

TEST_F(Clock, ResendsAreCountedPerSessionAcrossItsRequests) {
  Server a;
  ASSERT_EQ(Install(0, {&a}), 0);
  ASSERT_EQ(LogIn(a), 0x60000001);
  // Time-out 5, two resends for the session as a whole.
  ASSERT_EQ(Deliver(a, Make('s', "009", "time:5:2:120")), 0x20000001);
  ASSERT_EQ(NuvProtoSendPacket(login, SessionOf(a), 'd', nullptr, 5, 0, 0), 0);
  a.Drain();
  Timeline t = Run(2, {&a});
  ASSERT_EQ(NuvProtoSendPacket(login, SessionOf(a), 'c', nullptr, 6, 0, 0), 0);
  a.Drain();
  // The PACKN is resent at 5, the PIGNORE at 7; that uses up both, so the
  // PACKN's retry countdown at 10 loses the session, although each packet
  // alone was resent only once.
  t = Run(13, {&a});
  EXPECT_EQ(t.perServer[0], (Lines{"3:d", "5:c", "8:a"}));
  EXPECT_EQ(t.status[8], 0x60000000);
  EXPECT_EQ(SessionOf(a)->loginState, kNuvNotLoggedIn);
  // Only the new LOGIN is left: the PIGNORE went with the lost session.
  EXPECT_EQ(NuvProtoQueuedPackets(login), 1);
}

TEST_F(Clock, NoResendsAllowedLosesTheSessionAtTheFirstExpiry) {
  TearDown();
  NuvProtoParams p = DefaultParams();
  p.maxResends = 0;
  Start(p);
  Server a;
  ASSERT_EQ(Install(0, {&a}), 0);
  ASSERT_EQ(LogIn(a), 0x60000001);
  ASSERT_EQ(NuvProtoSendPacket(login, SessionOf(a), 'c', nullptr, 5, 0, 0), 0);
  a.Drain();
  const Timeline t = Run(10, {&a});
  EXPECT_EQ(t.perServer[0], (Lines{"10:a"}));
  EXPECT_EQ(t.status[10], 0x60000000);
}

TEST_F(Clock, StyleAllFallsBackAtTick301WithoutLogout) {
  Server a, b, c;
  fallback.texts = {"0:1:" + c.Entry()};
  ASSERT_EQ(Install(0, {&a, &b}), 0);
  a.Drain();
  b.Drain();
  const Timeline t = Run(301, {&a, &b, &c});
  for (int i = 0; i < 2; ++i)
    for (const std::string &line : t.perServer[i]) EXPECT_EQ(line.substr(line.find(':')), ":a") << line;
  EXPECT_EQ(t.perServer[0].back(), "280:a");  // nothing at 301
  EXPECT_EQ(t.perServer[2], (Lines{"301:a"}));
  EXPECT_EQ(fallback.calls, 1);
  EXPECT_EQ(login->serverCount, 1);
  EXPECT_EQ(SessionOf(c)->id, 3u);
  EXPECT_EQ(login->outTime, 0);
  EXPECT_EQ(NuvProtoQueuedPackets(login), 1);
}

TEST_F(Clock, FallbackWithoutATextGoesOnTicking) {
  Server a;
  ASSERT_EQ(Install(0, {&a}), 0);
  a.Drain();
  const Timeline t = Run(301, {&a});
  EXPECT_EQ(fallback.calls, 1);
  EXPECT_EQ(login->serverCount, 0);
  EXPECT_EQ(NuvProtoQueuedPackets(login), 0);
  EXPECT_EQ(t.status[301], 0);
}

TEST_F(Clock, StyleOneGivesEachServer121TicksThenFallsBack) {
  Server a, b, c, d;
  fallback.texts = {"0:1:" + d.Entry()};
  ASSERT_EQ(Install(1, {&a, &b, &c}), 0);
  EXPECT_EQ(a.Commands(), "a");
  const Timeline t = Run(363, {&a, &b, &c, &d});
  EXPECT_EQ(t.perServer[0].back(), "100:a");
  ASSERT_FALSE(t.perServer[1].empty());
  EXPECT_EQ(t.perServer[1][0], "121:a");
  ASSERT_FALSE(t.perServer[2].empty());
  EXPECT_EQ(t.perServer[2][0], "242:a");
  EXPECT_EQ(t.perServer[2].back(), "342:a");
  EXPECT_EQ(t.perServer[3], (Lines{"363:a"}));
  EXPECT_EQ(fallback.calls, 1);
}

TEST_F(Clock, StyleOneTurnDropsThePendingLoginAndParksTheOthers) {
  Server a, b;
  ASSERT_EQ(Install(1, {&a, &b}), 0);
  a.Drain();
  for (int i = 0; i < 120; ++i) NuvProtoTimerTick(login);
  a.Drain();
  EXPECT_EQ(NuvProtoQueuedPackets(login), 1);
  EXPECT_EQ(NuvProtoTimerTick(login), 0);  // tick 121: b's LOGIN
  EXPECT_EQ(a.Commands(), "");
  EXPECT_EQ(NuvProtoQueuedPackets(login), 1);
  const NuvProtoPending *held = nullptr;
  for (const auto &p : login->pending)
    if (!p.free) held = &p;
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(held->sessionId, SessionOf(b)->id);
  EXPECT_EQ(SessionOf(a)->loginState, kNuvParked);
  EXPECT_EQ(SessionOf(b)->loginState, kNuvNotLoggedIn);
  EXPECT_EQ(login->nextServerIndex, 2);
  EXPECT_EQ(login->outTime, 0);
  // b answers: the cluster is logged in and the turns stop.
  EXPECT_EQ(LogIn(b), 0x60000001);
  Run(200, {&a, &b});
  EXPECT_EQ(fallback.calls, 0);
}

TEST_F(Clock, DisabledClockChangesNothing) {
  Server a;
  ASSERT_EQ(Install(0, {&a}), 0);
  a.Drain();
  NuvProtoTimerEnable(login, 0);
  const int outTime = login->outTime;
  for (int i = 0; i < 400; ++i) ASSERT_EQ(NuvProtoTimerTick(login), 0);
  EXPECT_EQ(login->outTime, outTime);
  EXPECT_EQ(a.Commands(), "");
  EXPECT_EQ(fallback.calls, 0);
  NuvProtoTimerEnable(login, 1);
  EXPECT_EQ(login->timerDisabled, 0);
}

TEST_F(Clock, SlotOfAVanishedSessionIsFreedWithoutSending) {
  Server a, b;
  ASSERT_EQ(Install(0, {&a}), 0);
  ASSERT_EQ(Install(0, {&b}), 0);  // a is dropped without LOGOUT; its LOGIN slot stays
  a.Drain();
  b.Drain();
  EXPECT_EQ(NuvProtoQueuedPackets(login), 2);
  NuvProtoTimerTick(login);
  EXPECT_EQ(NuvProtoQueuedPackets(login), 1);
  EXPECT_EQ(a.Commands(), "");
}

TEST_F(Clock, ServerTimingFromConfigNewApplies) {
  Server a;
  ASSERT_EQ(Install(0, {&a}), 0);
  ASSERT_EQ(LogIn(a), 0x60000001);
  ASSERT_EQ(Deliver(a, Make('s', "009", "time:5:0:30")), 0x20000001);
  a.Drain();
  const Timeline t = Run(65, {&a});
  EXPECT_EQ(t.perServer[0], (Lines{"30:q", "60:q", "65:a"}));
}

TEST_F(Clock, ExtremeServerTimingStaysWellDefined) {
  Server a;
  ASSERT_EQ(Install(0, {&a}), 0);
  ASSERT_EQ(LogIn(a), 0x60000001);
  ASSERT_EQ(Deliver(a, Make('s', "009", "time:2147483647:2147483647:2147483647")), 0x20000001);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(NuvProtoTimerTick(login), 0);
  ASSERT_EQ(Deliver(a, Make('s', "010", "time:-5:-1:-2147483647")), 0x20000001);
  EXPECT_EQ(NuvProtoTimerTick(login), 0x60000000);  // lost at once, without overflow
  a.Drain();
}

}  // namespace
}  // namespace enginetest
