// Session engine: start, sending, the receive path and cluster changes,
// against real sockets on 127.0.0.1.

#include "engine_harness.h"

namespace enginetest {
namespace {

TEST(EngineInit, ClampsTimingValues) {
  struct Case {
    int timeout, duty, resends;
    int wantTimeout, wantDuty, wantResends;
  } cases[] = {{4, 4, -1, 10, 120, 1}, {5, 5, 0, 5, 5, 0}, {-1, -1, -1, 10, 120, 1}};
  for (const Case &c : cases) {
    auto login = std::make_unique<NuvProtoLogin>();
    NuvProtoParams p = DefaultParams();
    p.packetTimeout = c.timeout;
    p.dutySeconds = c.duty;
    p.maxResends = c.resends;
    ASSERT_EQ(NuvProtoInit(login.get(), &p), 0);
    EXPECT_EQ(login->packetTimeout, c.wantTimeout);
    EXPECT_EQ(login->dutySeconds, c.wantDuty);
    EXPECT_EQ(login->maxResends, c.wantResends);
    EXPECT_EQ(login->retryInterval, 10);
    EXPECT_EQ(login->timerDisabled, 1);
    EXPECT_EQ(login->nextSessionId, 1u);
    EXPECT_EQ(NuvProtoQueuedPackets(login.get()), 0);
    UDP_closeSocket(&login->local);
  }
}

TEST_F(Engine, NormalStartLogsInToEveryServerOfStyleAll) {
  Server a, b;
  login->connectionType = 1;
  ASSERT_EQ(Install(0, {&a, &b}), 0);
  EXPECT_EQ(login->serverCount, 2);
  for (Server *s : {&a, &b}) {
    Dgram d;
    ASSERT_TRUE(s->Next(&d));
    EXPECT_EQ(d.cmd, 'a');
    EXPECT_EQ(d.seq, "000");
    EXPECT_EQ(d.payload, "secret:1");
    EXPECT_EQ(d.dataSize, 9u);
    EXPECT_EQ(d.bytes.size(), 44u);
    EXPECT_EQ(d.version, "7.0");
    EXPECT_EQ(d.userId, "5551234567");
  }
  EXPECT_EQ(NuvProtoQueuedPackets(login), 2);
  // VALID for 000 frees the LOGIN's slot.
  EXPECT_EQ(Deliver(a, Make('p', "000", "")), 1);
  EXPECT_EQ(NuvProtoQueuedPackets(login), 1);

  // The first SUCCESS logs the cluster in and asks for a save.
  EXPECT_EQ(Deliver(a, Make('h', "004", "0:2:12345")), 0x60000001);
  Dgram ack;
  ASSERT_TRUE(a.Next(&ack));
  EXPECT_EQ(ack.cmd, 'p');
  EXPECT_EQ(ack.seq, "004");
  EXPECT_EQ(ack.payload, "");
  EXPECT_EQ(login->loggedIn, 1);
  EXPECT_EQ(login->service, 2);
  EXPECT_EQ(login->firstCallReceived, 0);
  EXPECT_EQ(std::string(login->signature, 5), "12345");
  EXPECT_EQ(SessionOf(a)->kind, kNuvKindMap);
  EXPECT_EQ(SessionOf(a)->loginState, kNuvLoggedIn);
  EXPECT_EQ(SessionOf(a)->pendingCommand, 0);

  // The second server agrees: nothing new to report.
  EXPECT_EQ(Deliver(b, Make('h', "001", "0:2:12345")), 1);
  EXPECT_EQ(login->loggedInServers, 2);
}

TEST_F(Engine, LaterSuccessThatContradictsTheFirstLoginIsEmatch) {
  Server a, b, c;
  ASSERT_EQ(Install(0, {&a, &b, &c}), 0);
  EXPECT_EQ(LogIn(a, "0:2:12345"), 0x60000001);
  EXPECT_EQ(LogIn(b, "0:2:12345"), 1);
  EXPECT_EQ(LogIn(c, "1:2:12345"), EMATCH);
  EXPECT_EQ(SessionOf(c)->loginState, kNuvLoggedIn);  // stays logged in
  EXPECT_EQ(login->loggedInServers, 3);
  EXPECT_EQ(login->firstCallReceived, 0);
}

TEST_F(Engine, LoginAnswerPayloads) {
  struct Case {
    const char *payload;
    int want;
    int kind;
    int loginState;
  } cases[] = {
      {"1", 0x60000001, kNuvKindRedirect, kNuvLoggedIn},   // Redirect server
      {"", ECONTENT, kNuvKindUnknown, kNuvNotLoggedIn},    // no first-call flag
      {"x:2:1", ECONTENT, kNuvKindUnknown, kNuvNotLoggedIn},
      {"0:2", ECONTENT, kNuvKindMap, kNuvNotLoggedIn},     // MAP server without signature
      {"::0::3::abcdefghijklmnopqrstuvwxyz", 0x60000001, kNuvKindMap, kNuvLoggedIn},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.payload);
    Server s;
    login->service = 1;
    ASSERT_EQ(Install(0, {&s}), 0);
    s.Drain();
    EXPECT_EQ(Deliver(s, Make('h', "000", c.payload)), c.want);
    EXPECT_EQ(SessionOf(s)->kind, c.kind);
    EXPECT_EQ(SessionOf(s)->loginState, c.loginState);
    EXPECT_EQ(s.Commands(), "p");  // acknowledged in every case
    if (c.kind == kNuvKindRedirect) {
      EXPECT_EQ(login->service, 1);  // untouched
    }
    if (c.want == 0x60000001 && c.kind == kNuvKindMap) {
      EXPECT_EQ(login->service, 3);
      EXPECT_EQ(std::string(login->signature, 16), "abcdefghijklmnop");
    }
    NuvProtoClusterLogoutEx(login, 0);
  }
}

TEST_F(Engine, DeliversCallsAfterAcknowledgingThem) {
  Server s;
  ASSERT_EQ(Install(0, {&s}), 0);
  ASSERT_EQ(LogIn(s), 0x60000001);
  const unsigned id = SessionOf(s)->id;

  EXPECT_EQ(Deliver(s, Make('j', "012", "77:John Smith:5559876543:1999-03-15-1432")), 0);
  ASSERT_NE(session, nullptr);
  EXPECT_EQ(session->id, id);
  ASSERT_EQ(packet, login->receiveBuffer);
  EXPECT_EQ(packet[25], 'j');
  EXPECT_STREQ(reinterpret_cast<char *>(packet + 32), "77:John Smith:5559876543:1999-03-15-1432");
  Dgram ack;
  ASSERT_TRUE(s.Next(&ack));
  EXPECT_EQ(ack.cmd, 'p');
  EXPECT_EQ(ack.seq, "012");
  EXPECT_EQ(ack.bytes.size(), 36u);

  // A command the client cannot act on is still acknowledged and delivered.
  EXPECT_EQ(Deliver(s, Make('l', "013", "whatever")), 0);
  EXPECT_EQ(s.Commands(), "p");
  // RESEND and DUTY: acknowledged only.
  EXPECT_EQ(Deliver(s, Make('n', "014", "")), 1);
  EXPECT_EQ(Deliver(s, Make('q', "015", "")), 1);
  EXPECT_EQ(s.Commands(), "pp");
}

// Under loss a server sends a call again when its VALID was lost, and the
// network may double a datagram: each copy is acknowledged, the application
// gets the call once (one pop-up, one decision).
TEST_F(Engine, RepeatsAreAcknowledgedButDeliveredOnce) {
  Server a, b;
  ASSERT_EQ(Install(0, {&a, &b}), 0);
  ASSERT_EQ(LogIn(a), 0x60000001);
  ASSERT_EQ(LogIn(b), 1);
  const char *call = "77:John Smith:5559876543:1999-03-15-1432";
  struct Step {
    const char *what;
    Server *from;
    char command;
    const char *seq;
    const char *payload;
    int want;  // 0 delivered, 1 acknowledged only
  } steps[] = {
      {"a call", &a, 'j', "012", call, 0},
      {"the same copy again", &a, 'j', "012", call, 1},
      {"resent with a new sequence", &a, 'j', "013", call, 1},
      {"the same call from another server", &b, 'j', "012", call, 0},
      {"another call", &a, 'j', "014", "78:Jane Roe:5551112222:1999-03-15-1433", 0},
      {"the call ends", &a, 'k', "015", "77", 0},
      {"its end again", &a, 'k', "015", "77", 1},
      {"an end with another sequence", &a, 'k', "016", "77", 0},
      {"a message", &a, 'm', "017", "Hello", 0},
      {"the message again", &a, 'm', "017", "Hello", 1},
      {"the same text as a new message", &a, 'm', "018", "Hello", 0},
      {"a SUCCESS is never taken for a repeat", &a, 'h', "019", "", 0},
      {"nor is its copy", &a, 'h', "019", "", 0},
  };
  for (const Step &st : steps) {
    TraceLog trace;
    EXPECT_EQ(Deliver(*st.from, Make(st.command, st.seq, st.payload)), st.want) << st.what;
    EXPECT_EQ(st.from->Commands(), "p") << st.what << ": acknowledged";
    EXPECT_EQ(trace.Has("Repeated packet acknowledged, not delivered again"), st.want == 1) << st.what;
  }

  // The memory is a ring of the latest deliveries: after 64 other calls the
  // first one counts as new again.
  for (int i = 0; i < kNuvDeliveredMemory; ++i) {
    const std::string other = std::to_string(1000 + i) + ":Caller:5550000000:1999-03-15-1432";
    ASSERT_EQ(Deliver(a, Make('j', "100", other)), 0) << i;
  }
  a.Drain();
  EXPECT_EQ(Deliver(a, Make('j', "200", call)), 0);
}

TEST_F(Engine, DropsWhatTheDatagramRulesRefuse) {
  Server s, stranger;
  ASSERT_EQ(Install(0, {&s}), 0);
  s.Drain();
  SessionOf(s)->silence = 50;
  {
    TraceLog trace;
    EXPECT_EQ(Deliver(stranger, Make('j', "001", "1:a:b:c")), 1);
    EXPECT_EQ(stranger.Commands(), "");
    ASSERT_NE(trace.text.find("PINCOMING"), std::string::npos);  // its packet line, and nothing else
    EXPECT_EQ(trace.text.find("\r\n"), trace.text.size() - 2);
    EXPECT_FALSE(trace.Has("Warning"));
  }
  EXPECT_EQ(SessionOf(s)->silence, 50);
  {
    TraceLog trace;
    EXPECT_EQ(Deliver(s, Make('z', "001", "")), 1);
    EXPECT_TRUE(trace.Has("**INVALID**  "));
    EXPECT_TRUE(trace.Has("Warning: protocol level dropped packet with unknown command\r\n"));
    EXPECT_EQ(s.Commands(), "");
    EXPECT_EQ(SessionOf(s)->silence, 0);  // still heard from the server
  }
  {
    TraceLog trace;
    Bytes shortOne = Make('j', "002", "12345");  // dataSize 6, 41 bytes
    shortOne.pop_back();
    EXPECT_EQ(Deliver(s, shortOne), 1);
    EXPECT_TRUE(trace.Has("Dropped packet with invalid DataSize\r\n"));
    EXPECT_EQ(s.Commands(), "");
  }
}

TEST_F(Engine, ReadsDataSizeInEitherByteOrder) {
  Server s;
  ASSERT_EQ(Install(0, {&s}), 0);
  s.Drain();
  for (bool littleEndian : {false, true}) {
    TraceLog trace;
    // Two messages (the same sequence twice would be one message repeated).
    EXPECT_EQ(Deliver(s, Make('m', littleEndian ? "004" : "003", "abcd", "7.0", littleEndian)), 0);
    EXPECT_EQ(trace.Has("Warning: Server sent DataSize without htonl():\r\n"), littleEndian);
    EXPECT_STREQ(reinterpret_cast<char *>(packet + 32), "abcd");
    // Converted in place to the processor's order for the layers above.
    EXPECT_EQ(packet[28], 5);
    EXPECT_EQ(s.Commands(), "p");
  }
}

TEST_F(Engine, DataSizeByteOrderTurnsAt0xFFFF) {
  Server s;
  ASSERT_EQ(Install(0, {&s}), 0);
  s.Drain();
  struct Case {
    uint8_t bytes[4];
    size_t payload;  // characters before the NUL
    int status;
    bool warning;
    bool dropped;
  } cases[] = {
      // 65535 in network order: believed, and longer than any datagram read.
      {{0, 0, 0xFF, 0xFF}, 300, 1, false, true},
      // 65536 is too big: read in the processor's order, 256.
      {{0, 1, 0, 0}, 255, 0, true, false},
  };
  for (const Case &c : cases) {
    TraceLog trace;
    Bytes b = Make('m', "003", std::string(c.payload, 'x'));
    std::memcpy(&b[28], c.bytes, 4);
    EXPECT_EQ(Deliver(s, b), c.status) << c.payload;
    EXPECT_EQ(trace.Has("Warning: Server sent DataSize without htonl():\r\n"), c.warning);
    EXPECT_EQ(trace.Has("Dropped packet with invalid DataSize\r\n"), c.dropped);
    EXPECT_EQ(s.Commands(), c.dropped ? "" : "p");
  }
}

TEST_F(Engine, DatagramLongerThanTheReceiveBufferIsPassedOver) {
  Server s;
  ASSERT_EQ(Install(0, {&s}), 0);
  s.Drain();
  // The longest datagram read: 35 + dataSize = 10240.
  const Bytes fits = Make('m', "003", std::string(kNuvReceiveBufferSize - 36, 'x'));
  ASSERT_EQ(fits.size(), static_cast<size_t>(kNuvReceiveBufferSize));
  Bytes longer = fits;
  longer.push_back(0);
  {
    TraceLog trace;
    // Nothing to do: traced, no failed receive (and so no box for the user).
    EXPECT_EQ(Deliver(s, longer), NUV_OK_NOTHING);
    EXPECT_TRUE(trace.Has("WSAEMSGSIZE"));
    EXPECT_FALSE(trace.Has("MESSAGE"));  // never read as a packet
    EXPECT_EQ(s.Commands(), "");
  }
  // Nothing of it is left behind; the next datagram is read whole.
  EXPECT_EQ(Deliver(s, fits), 0);
  EXPECT_EQ(std::strlen(reinterpret_cast<char *>(packet + 32)), fits.size() - 36);
  EXPECT_EQ(s.Commands(), "p");
}

TEST_F(Engine, ClosedPortErrorIsNothingToDo) {
  Server s;
  ASSERT_EQ(Install(0, {&s}), 0);
  TraceLog trace;
  // Status 1 is a success with nothing to do: no error box for the user.
  for (int error : {kWsaEConnReset, kWsaEConnRefused}) {
    nuvtest::SocketFault fault(login->local.socket, PLAT_SOCK_RECV, error, 1);
    EXPECT_EQ(NuvProtoRecvPacket(login, &session, &packet), 1) << error;
    EXPECT_EQ(fault.hits, 1);
  }
  EXPECT_TRUE(trace.Has("WSAECONNRESET\r\n"));
  EXPECT_TRUE(trace.Has("WSAECONNREFUSED\r\n"));
  {
    nuvtest::SocketFault fault(login->local.socket, PLAT_SOCK_RECV, 10050, 1);
    EXPECT_EQ(NuvProtoRecvPacket(login, &session, &packet), ESOCK);
  }
  // The login goes on as if nothing had happened.
  EXPECT_EQ(LogIn(s), 0x60000001);
}

TEST_F(Engine, FailedSendKeepsNothingButAdvancesTheSequence) {
  Server s;
  ASSERT_EQ(Install(0, {&s}), 0);
  ASSERT_EQ(LogIn(s), 0x60000001);
  NuvProtoSession *a = SessionOf(s);
  const unsigned before = a->sequence;
  {
    TraceLog trace;
    nuvtest::SocketFault fault(login->local.socket, PLAT_SOCK_SEND, 10051);
    EXPECT_EQ(NuvProtoSendPacket(login, a, 'd', nullptr, 5, 0, 0), EMISC);
    EXPECT_TRUE(trace.Has("WSAENETUNREACH"));
  }
  EXPECT_EQ(NuvProtoQueuedPackets(login), 0);
  EXPECT_EQ(a->sequence, before + 1);
  EXPECT_EQ(s.Commands(), "");
  // The next request takes the next number and the same (lowest) slot.
  ASSERT_EQ(NuvProtoSendPacket(login, a, 'd', nullptr, 6, 0, 0), 0);
  Dgram d;
  ASSERT_TRUE(s.Next(&d));
  char want[4];
  std::snprintf(want, sizeof want, "%03u", before + 1);
  EXPECT_EQ(d.seq, want);
  EXPECT_EQ(login->pending[0].free, 0);
  EXPECT_EQ(NuvProtoQueuedPackets(login), 1);
}

TEST_F(Engine, PayloadWithoutTerminatorEndsWithTheDatagram) {
  Server s;
  ASSERT_EQ(Install(0, {&s}), 0);
  s.Drain();
  Bytes b = Make('m', "003", "abcd");
  for (size_t i = 32; i < b.size(); ++i) b[i] = 'x';
  EXPECT_EQ(Deliver(s, b), 0);
  EXPECT_EQ(std::strlen(reinterpret_cast<char *>(packet + 32)), b.size() - 32);
}

TEST_F(Engine, NetworkDownIgnoresDatagrams) {
  Server s;
  ASSERT_EQ(Install(0, {&s}), 0);
  ASSERT_EQ(LogIn(s), 0x60000001);
  login->networkDown = 1;
  EXPECT_EQ(Deliver(s, Make('j', "020", "1:a:b:c")), 1);
  EXPECT_EQ(s.Commands(), "");
  // Consumed: nothing left for the next read.
  EXPECT_EQ(PlatSockWaitReadable(login->local.socket, 0), 0);
}

TEST_F(Engine, ReloginMakesTheClientLogInAgain) {
  Server s;
  ASSERT_EQ(Install(0, {&s}), 0);
  ASSERT_EQ(LogIn(s), 0x60000001);
  EXPECT_EQ(Deliver(s, Make('g', "030", "")), 1);
  const std::vector<Dgram> sent = s.Drain();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].cmd, 'p');
  EXPECT_EQ(sent[1].cmd, 'a');
  EXPECT_EQ(sent[1].seq, "000");
  EXPECT_EQ(SessionOf(s)->loginState, kNuvNotLoggedIn);
  EXPECT_EQ(login->loggedIn, 0);
}

TEST_F(Engine, InvalidResendsTheSamePacketOnceThenLogsInAgain) {
  Server s;
  ASSERT_EQ(Install(0, {&s}), 0);
  ASSERT_EQ(LogIn(s), 0x60000001);
  NuvProtoSession *ss = SessionOf(s);
  ASSERT_EQ(NuvProtoSendPacket(login, ss, 'e', "5551234567", 42, 10, 0), 0);
  Dgram accept;
  ASSERT_TRUE(s.Next(&accept));
  EXPECT_EQ(accept.payload, "42:10:5551234567");
  EXPECT_EQ(accept.seq, "001");
  EXPECT_EQ(ss->pendingCommand, 'e');
  EXPECT_EQ(ss->pendingArgument, 42);

  EXPECT_EQ(Deliver(s, Make('o', "001", "")), 1);
  Dgram again;
  ASSERT_TRUE(s.Next(&again));
  EXPECT_EQ(again.bytes, accept.bytes);  // byte for byte, no VALID first
  EXPECT_EQ(s.Commands(), "");
  EXPECT_EQ(NuvProtoQueuedPackets(login), 1);

  EXPECT_EQ(Deliver(s, Make('o', "001", "")), 1);
  Dgram relogin;
  ASSERT_TRUE(s.Next(&relogin));
  EXPECT_EQ(relogin.cmd, 'a');
  EXPECT_EQ(ss->loginState, kNuvNotLoggedIn);
}

TEST_F(Engine, FifteenSlotsHoldTheUnacknowledgedPackets) {
  Server s;
  ASSERT_EQ(Install(0, {&s}), 0);
  ASSERT_EQ(LogIn(s), 0x60000001);
  NuvProtoSession *ss = SessionOf(s);
  for (int i = 0; i < 15; ++i) ASSERT_EQ(NuvProtoSendPacket(login, ss, 'd', nullptr, i, 0, 0), 0) << i;
  EXPECT_EQ(NuvProtoSendPacket(login, ss, 'd', nullptr, 15, 0, 0), EDROP);
  EXPECT_EQ(s.Drain().size(), 15u);
  // Not even an acknowledgement can go out now.
  EXPECT_EQ(Deliver(s, Make('j', "040", "1:a:b:c")), EDROP);
  EXPECT_EQ(s.Commands(), "");
  // A VALID for one of them (sequences 001..015) makes room again.
  EXPECT_EQ(Deliver(s, Make('p', "007", "")), 1);
  EXPECT_EQ(NuvProtoSendPacket(login, ss, 'd', nullptr, 15, 0, 0), 0);
  Dgram d;
  ASSERT_TRUE(s.Next(&d));
  EXPECT_EQ(d.seq, "016");
  EXPECT_EQ(d.payload, "15");
}

TEST_F(Engine, SendRefusesWhatTheClientCannotSend) {
  Server s;
  ASSERT_EQ(Install(0, {&s}), 0);
  s.Drain();
  EXPECT_EQ(NuvProtoSendPacket(login, nullptr, 'd', nullptr, 1, 0, 0), ESESS);
  EXPECT_EQ(NuvProtoSendPacket(login, SessionOf(s), 'j', nullptr, 1, 0, 0), ETYPE);
  EXPECT_EQ(NuvProtoFindSessionById(login, 999), nullptr);
  EXPECT_EQ(s.Commands(), "");
}

TEST_F(Engine, OutgoingPayloadForms) {
  Server s;
  ASSERT_EQ(Install(0, {&s}), 0);
  s.Drain();
  NuvProtoSession *ss = SessionOf(s);
  struct Case {
    char cmd;
    const char *text;
    int a, b;
    const char *payload;
    const char *seq;
  } cases[] = {
      {'c', nullptr, 5, 0, "5", "001"},       {'d', nullptr, 6, 0, "6", "002"},
      {'r', nullptr, 7, -1, "7", "003"},      {'r', nullptr, 7, 3, "7:3", "004"},
      {'e', "5550001111", 8, 10, "08:10:5550001111", "005"},
      {'b', nullptr, 0, 0, "secret", "006"},  {'q', nullptr, 0, 0, "", "-1"},
  };
  for (const Case &c : cases) {
    ASSERT_EQ(NuvProtoSendPacket(login, ss, c.cmd, c.text, c.a, c.b, 0), 0);
    Dgram d;
    ASSERT_TRUE(s.Next(&d));
    EXPECT_EQ(d.cmd, c.cmd);
    EXPECT_EQ(d.payload, c.payload);
    EXPECT_EQ(d.seq, c.seq);
    EXPECT_EQ(d.bytes.size(), 35 + std::strlen(c.payload) + 1);
  }
  // An over-long destination never overruns the 116-byte slot.
  const std::string longNumber(200, '9');
  ASSERT_EQ(NuvProtoSendPacket(login, ss, 'e', longNumber.c_str(), 1, 10, 0), 0);
  Dgram d;
  ASSERT_TRUE(s.Next(&d));
  EXPECT_LE(d.bytes.size(), 116u);
}

TEST_F(Engine, SixPointZeroLoginCarriesThePasswordAlone) {
  TearDown();
  NuvProtoParams p = DefaultParams();
  p.version = "6.0";
  p.password = "abcde";
  Start(p);
  Server s;
  login->connectionType = 1;
  ASSERT_EQ(Install(0, {&s}), 0);
  Dgram d;
  ASSERT_TRUE(s.Next(&d));
  EXPECT_EQ(d.payload, "abcde");
  EXPECT_EQ(d.bytes.size(), 41u);
  EXPECT_EQ(d.version, "6.0");
}

TEST_F(Engine, SequenceWrapsAfter999) {
  NuvProtoSession s{};
  s.sequence = 998;
  NextSequence(&s);
  EXPECT_EQ(s.sequence, 999u);
  NextSequence(&s);
  EXPECT_EQ(s.sequence, 0u);
}

TEST_F(Engine, SuccessToARequestIsDeliveredForTheHangupRule) {
  Server s;
  ASSERT_EQ(Install(0, {&s}), 0);
  ASSERT_EQ(LogIn(s), 0x60000001);
  NuvProtoSession *ss = SessionOf(s);
  login->hangupOnSuccess = 'e';
  ASSERT_EQ(NuvProtoSendPacket(login, ss, 'e', "5551234567", 3, 10, 0), 0);
  s.Drain();
  EXPECT_EQ(Deliver(s, Make('p', "001", "")), 1);
  EXPECT_EQ(Deliver(s, Make('h', "050", "")), 0);
  ASSERT_EQ(session, ss);
  EXPECT_EQ(packet[25], 'h');
  // The bridge hangs up when the armed letter is the session's pending one.
  EXPECT_EQ(session->pendingCommand, login->hangupOnSuccess);
  EXPECT_EQ(login->loggedInServers, 1);
  EXPECT_EQ(ss->loginState, kNuvLoggedIn);
  // FAIL to a request is delivered too; FAIL to LOGIN is not.
  EXPECT_EQ(Deliver(s, Make('i', "051", "")), 0);
  EXPECT_EQ(s.Commands(), "pp");
}

TEST_F(Engine, FailToLoginLeavesTheSessionToTheClock) {
  Server s;
  ASSERT_EQ(Install(0, {&s}), 0);
  s.Drain();
  EXPECT_EQ(Deliver(s, Make('i', "000", "")), 1);
  EXPECT_EQ(SessionOf(s)->pendingCommand, 0);
  EXPECT_EQ(SessionOf(s)->loginState, kNuvNotLoggedIn);
}

TEST_F(Engine, RedirectStartMovesToTheMapServers) {
  Server redirect, m1, m2;
  ASSERT_EQ(Install(0, {&redirect}), 0);
  ASSERT_EQ(LogIn(redirect, "1"), 0x60000001);
  EXPECT_EQ(SessionOf(redirect)->kind, kNuvKindRedirect);
  const std::string ips = "ips:2:" + m1.Entry() + ":" + m2.Entry();
  EXPECT_EQ(Deliver(redirect, Make('s', "002", ips)), 0x60000001);
  EXPECT_EQ(redirect.Commands(), "pb");  // VALID, then LOGOUT
  EXPECT_EQ(login->serverCount, 2);
  EXPECT_EQ(login->style, 0);
  EXPECT_EQ(login->nextServerIndex, 1);
  EXPECT_EQ(login->loggedIn, 0);
  EXPECT_EQ(SessionOf(redirect), nullptr);
  EXPECT_EQ(LogIn(m1), 0x60000001);
  EXPECT_EQ(LogIn(m2), 1);
  EXPECT_EQ(login->loggedInServers, 2);
}

TEST_F(Engine, IpsKeepsSessionsOfServersThatStay) {
  Server a, b, c;
  ASSERT_EQ(Install(0, {&a, &b}), 0);
  ASSERT_EQ(LogIn(a), 0x60000001);
  ASSERT_EQ(LogIn(b), 1);
  const unsigned idA = SessionOf(a)->id, idB = SessionOf(b)->id;
  ASSERT_EQ(NuvProtoSendPacket(login, SessionOf(b), 'd', nullptr, 9, 0, 0), 0);
  b.Drain();

  // Same two servers, other order: nothing is sent but the VALID.
  EXPECT_EQ(Deliver(a, Make('s', "010", "ips:2:" + b.Entry() + ":" + a.Entry())), 0x60000001);
  EXPECT_EQ(a.Commands(), "p");
  EXPECT_EQ(b.Commands(), "");
  EXPECT_EQ(SessionOf(a)->id, idA);
  EXPECT_EQ(SessionOf(b)->id, idB);
  EXPECT_EQ(SessionOf(b)->loginState, kNuvLoggedIn);
  EXPECT_EQ(login->loggedInServers, 2);
  EXPECT_EQ(NuvProtoQueuedPackets(login), 1);  // b's PACKN still awaits its VALID

  // Only c: LOGOUT to a and b first, then LOGIN to c; b's slot goes with it.
  EXPECT_EQ(Deliver(b, Make('s', "011", "ips:1:" + c.Entry())), 0x60000001);
  EXPECT_EQ(a.Commands(), "b");
  EXPECT_EQ(b.Commands(), "pb");
  EXPECT_EQ(c.Commands(), "a");
  EXPECT_EQ(login->loggedIn, 0);
  EXPECT_EQ(NuvProtoFindSessionById(login, idB), nullptr);
  EXPECT_EQ(NuvProtoQueuedPackets(login), 1);  // c's LOGIN only
  EXPECT_GT(SessionOf(c)->id, idB);
}

TEST_F(Engine, BadServerListsLeaveTheTableAlone) {
  Server a;
  ASSERT_EQ(Install(0, {&a}), 0);
  a.Drain();
  const unsigned id = SessionOf(a)->id;
  const char *bad[] = {"2:1:127.0.0.1/10002", "0:0:127.0.0.1/10002", "0:2:127.0.0.1/10002",
                       "0:1:127.0.0.1", "0:1:1abc/10002", "0:1:0.0.0.0/10002",
                       "0:1:127.0.0.1/x", "", "x:1:127.0.0.1/1"};
  for (const char *text : bad) {
    SCOPED_TRACE(text);
    std::string copy = text;
    EXPECT_EQ(NuvProtoClusterLogin(login, copy.data()), ECONTENT);
    ASSERT_EQ(login->serverCount, 1);
    EXPECT_EQ(login->sessions[0].id, id);
  }
  // The style is taken even from a refused list.
  std::string style2 = "2:1:127.0.0.1/10002";
  NuvProtoClusterLogin(login, style2.data());
  EXPECT_EQ(login->style, 2);
  EXPECT_EQ(a.Commands(), "");
  // Blanks after the count, and text after the last server, are fine.
  std::string blanks = "1:2        :" + a.Entry() + ":127.0.0.1/10003:junk";
  EXPECT_EQ(NuvProtoClusterLogin(login, blanks.data()), 0);
  EXPECT_EQ(login->serverCount, 2);
  EXPECT_EQ(login->style, 1);
  EXPECT_EQ(login->sessions[0].id, id);
}

TEST_F(Engine, ServerNamedTwiceInAPushIsCarriedOverOnce) {
  Server a;
  ASSERT_EQ(Install(0, {&a}), 0);
  ASSERT_EQ(LogIn(a), 0x60000001);
  const unsigned id = SessionOf(a)->id;
  EXPECT_EQ(Deliver(a, Make('s', "010", "ips:2:" + a.Entry() + ":" + a.Entry())), 0x60000001);
  ASSERT_EQ(login->serverCount, 2);
  EXPECT_EQ(login->sessions[0].id, id);
  EXPECT_EQ(login->sessions[0].loginState, kNuvLoggedIn);
  EXPECT_NE(login->sessions[1].id, id);
  EXPECT_EQ(login->sessions[1].loginState, kNuvNotLoggedIn);
  EXPECT_EQ(login->loggedInServers, 1);
  // The count stays true through a loss and a new login.
  EXPECT_EQ(Deliver(a, Make('g', "011", "")), 1);
  EXPECT_EQ(login->loggedInServers, 0);
  EXPECT_EQ(login->loggedIn, 0);
  EXPECT_EQ(Deliver(a, Make('h', "012", "0:2:12345")), 0x60000001);
  EXPECT_EQ(login->loggedInServers, 1);
}

TEST_F(Engine, HostNamesAreLookedUpOnce) {
  Server a;
  {
    TraceLog trace;
    std::string list = "0:1:localhost/" + std::to_string(a.port);
    ASSERT_EQ(NuvProtoClusterLogin(login, list.data()), 0);
    EXPECT_TRUE(trace.Has("DNS Lookup on \"localhost\"\r\n"));
    EXPECT_EQ(trace.text.find("DNS Lookup"), trace.text.rfind("DNS Lookup"));
  }
  EXPECT_EQ(LogIn(a), 0x60000001);  // the LOGIN went out and the answers reach the session
  const unsigned id = SessionOf(a)->id;
  std::string bad = "0:2:localhost/" + std::to_string(a.port) + ":no-such-host.invalid/10002";
  EXPECT_EQ(NuvProtoClusterLogin(login, bad.data()), ECONTENT);
  EXPECT_EQ(login->serverCount, 1);
  EXPECT_EQ(login->sessions[0].id, id);
}

TEST_F(Engine, StyleOneLogsInToTheFirstServerOnly) {
  Server a, b;
  ASSERT_EQ(Install(1, {&a, &b}), 0);
  EXPECT_EQ(a.Commands(), "a");
  EXPECT_EQ(b.Commands(), "");
  EXPECT_EQ(login->timerDisabled, 0);
}

TEST_F(Engine, ConfigNewForms) {
  Server s;
  ASSERT_EQ(Install(0, {&s}), 0);
  ASSERT_EQ(LogIn(s), 0x60000001);
  NuvProtoSession *ss = SessionOf(s);
  EXPECT_EQ(Deliver(s, Make('s', "060", "time:20:3:60")), 0x20000001);
  EXPECT_EQ(ss->timeout, 20);
  EXPECT_EQ(ss->maxResends, 3);
  EXPECT_EQ(ss->duty, 60);
  EXPECT_EQ(Deliver(s, Make('s', "061", "time:20:3")), ECONTENT);
  EXPECT_EQ(Deliver(s, Make('s', "062", "custom:None:1234:1:0")), 0);  // for the bridge
  EXPECT_EQ(Deliver(s, Make('s', "063", "ip2:whatever", "6.0")), 1);
  EXPECT_EQ(Deliver(s, Make('s', "064", "ips:1:127.0.0.1/1", "6.0")), 0);  // not a 6.0 form
  {
    TraceLog trace;
    EXPECT_EQ(Deliver(s, Make('s', "065", "time:1:1:1", "5.0")), 1);
    EXPECT_TRUE(trace.Has("Warning: Received unknown protocol version: 5.0\r\n"));
  }
  EXPECT_EQ(Deliver(s, Make('s', "066", "ips:0:")), ECONTENT);
  EXPECT_EQ(login->serverCount, 1);
  EXPECT_EQ(s.Commands(), "ppppppp");  // every one acknowledged
}

TEST_F(Engine, Ip1MovesToTheOneServerNamed) {
  TearDown();
  NuvProtoParams p = DefaultParams();
  p.version = "6.0";
  Start(p);
  Server a, b;
  ASSERT_EQ(Install(0, {&a}), 0);
  ASSERT_EQ(LogIn(a), 0x60000001);
  EXPECT_EQ(Deliver(a, Make('s', "070", "ip1:127.0.0.1/" + std::to_string(b.port), "6.0")),
            0x60000001);
  EXPECT_EQ(a.Commands(), "pb");
  EXPECT_EQ(b.Commands(), "a");
  EXPECT_EQ(login->serverCount, 1);
  EXPECT_EQ(Deliver(b, Make('s', "071", "ip1:127.0.0.1", "6.0")), ECONTENT);
}

TEST_F(Engine, ClusterLogoutSendsLogoutToLoggedInServersOnly) {
  Server a, b;
  ASSERT_EQ(Install(0, {&a, &b}), 0);
  ASSERT_EQ(LogIn(a), 0x60000001);
  b.Drain();
  ASSERT_EQ(NuvProtoClusterLogoutEx(login, 1), 0);
  EXPECT_EQ(a.Commands(), "b");
  EXPECT_EQ(b.Commands(), "");
  EXPECT_EQ(login->serverCount, 0);
  EXPECT_EQ(login->sessions, nullptr);
  EXPECT_EQ(login->loggedIn, 0);
  EXPECT_EQ(login->loggedInServers, 0);
  EXPECT_EQ(NuvProtoQueuedPackets(login), 0);
  EXPECT_EQ(login->timerDisabled, 0);
  // Network down then up: datagrams ignored, then a new login from scratch.
  login->networkDown = 1;
  EXPECT_EQ(Deliver(a, Make('j', "001", "1:a:b:c")), 1);
  login->networkDown = 0;
  ASSERT_EQ(Install(0, {&a}), 0);
  EXPECT_EQ(LogIn(a), 0x60000001);
}

TEST_F(Engine, ReceiveErrorsAreEsock) {
  EXPECT_EQ(NuvProtoHandleDatagram(login, -1, &session, &packet), ESOCK);
  EXPECT_EQ(NuvProtoHandleDatagram(login, 0, &session, &packet), 1);
  // Nothing waiting: the non-blocking read finds nothing.
  EXPECT_EQ(NuvProtoRecvPacket(login, &session, &packet), 1);
}

}  // namespace
}  // namespace enginetest
