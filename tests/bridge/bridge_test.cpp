// The event bridge on the real engine: logins, calls, decisions, hang-up,
// account customisation and network changes, against peer sockets.

#include "bridge_harness.h"

namespace bridgetest {
namespace {

TEST_F(Bridge, FirstLoginTracesBothChangesRunsBothEventsAndSaves) {
  EXPECT_EQ(NetworkUpAndLogIn(a, "0:2:12345"), 0);

  const size_t login = trace.text.find("Login state changed.\r\n");
  const size_t config = trace.text.find("Config state changed.\r\n");
  ASSERT_NE(login, std::string::npos);
  ASSERT_NE(config, std::string::npos);
  EXPECT_LT(login, config);

  // Login change: logged in, no call yet, so the light blinks green.
  EXPECT_EQ(LoggedIn, 1);
  EXPECT_EQ(hooks.calls, (std::vector<std::string>{"green 1", "blink 0"}));
  // Config change: the stored list is not offered again, the file holds
  // what the server reported, and the trace window shows the duty.
  EXPECT_EQ(nuvLogin.fallbackStage, 1);
  EXPECT_EQ(Stored("SERVICE"), "2");
  EXPECT_EQ(Stored("SIGNATURE"), "12345");
  EXPECT_TRUE(trace.Saw(DEBUG_STATUS_CONFIG_CHANGE));

  // A second server's login changes nothing the application sees.
  hooks = HookLog{};
  trace.text.clear();
  Dgram d;
  ASSERT_TRUE(b.Next(&d));
  EXPECT_EQ(Deliver(b, MakeDatagram('h', "500", "0:2:12345")), 0);
  EXPECT_TRUE(hooks.calls.empty());
  EXPECT_FALSE(trace.Has("changed."));
}

TEST_F(Bridge, CallsAndEndedCallsGoToThePopUpOfTheServiceType) {
  ASSERT_EQ(NetworkUpAndLogIn(a), 0);
  const std::string id = std::to_string(SessionIdOf(a));
  struct Case {
    int service;
    const char *kind;  // nullptr: no pop-up
  } cases[] = {{-1, "basic"}, {0, "basic"}, {1, "full"}, {2, "full"},
               {3, "basic"},  {4, nullptr}, {7, nullptr}};
  int seq = 10;
  for (const Case &c : cases) {
    nuvLogin.service = c.service;
    nuvLogin.firstCallReceived = 0;
    hooks = HookLog{};
    // A call of its own each time: the same call again would be a repeat.
    const std::string call = std::to_string(seq) + ":Alice Smith:2045551212:1999-03-15-1432";
    EXPECT_EQ(Deliver(a, MakeDatagram('j', std::to_string(seq++), call)), 0);
    EXPECT_EQ(Deliver(a, MakeDatagram('k', std::to_string(seq++), "42:gone")), 0);
    EXPECT_EQ(a.Commands(), "pp") << "both acknowledged";
    if (c.kind) {
      EXPECT_EQ(hooks.calls, (std::vector<std::string>{
                                 std::string("call ") + c.kind + " " + id + " " + call,
                                 std::string("ended ") + c.kind + " " + id + " 42:gone"}))
          << c.service;
    } else {
      EXPECT_TRUE(hooks.calls.empty()) << c.service;
    }
    EXPECT_EQ(nuvLogin.firstCallReceived, 1) << c.service;
  }
}

TEST_F(Bridge, PayloadWithoutItsNulEndsWithinTheDatagram) {
  ASSERT_EQ(NetworkUpAndLogIn(a), 0);
  // dataSize 5 covers "7:Bob" exactly; the trailer holds junk.
  Bytes d = MakeDatagram('j', "020", "7:BobXYZ");
  d[31] = 5;
  d.resize(32 + 5 + 3);
  EXPECT_EQ(Deliver(a, d), 0);
  EXPECT_EQ(hooks.calls.back(), "call full " + std::to_string(SessionIdOf(a)) + " 7:Bob");
}

TEST_F(Bridge, MessagesOpenTheMessageWindowOwnedByTheMainWindow) {
  ASSERT_EQ(NetworkUpAndLogIn(a), 0);
  hooks = HookLog{};
  EXPECT_EQ(Deliver(a, MakeDatagram('m', "020", "Service notice\nLine two")), 0);
  EXPECT_EQ(hooks.calls, (std::vector<std::string>{"message Service notice\nLine two"}));
  EXPECT_EQ(hooks.seenInstance, hooks.instance);
  EXPECT_EQ(hooks.seenOwner, hooks.mainWindow);
}

TEST_F(Bridge, CommandsWithoutAMeaningForTheApplicationAreDroppedWithAWarning) {
  ASSERT_EQ(NetworkUpAndLogIn(a), 0);
  hooks = HookLog{};
  for (char cmd : {'l', 'r', 'd'}) {
    trace.text.clear();
    EXPECT_EQ(Deliver(a, MakeDatagram(cmd, "020", "1")), 0) << cmd;
    EXPECT_TRUE(trace.Has("Warning: EVENT level dropped packet with unknown command\r\n")) << cmd;
    EXPECT_EQ(a.Commands(), "p") << "acknowledged all the same";
  }
  EXPECT_TRUE(hooks.calls.empty());
  // A FAIL answering a request is delivered and needs nothing.
  trace.text.clear();
  EXPECT_EQ(Deliver(a, MakeDatagram('i', "021", "")), 0);
  EXPECT_FALSE(trace.Has("Warning"));
}

TEST_F(Bridge, ReceiveFailuresAreReturned) {
  EXPECT_EQ(NuvEventNetworkChange(&nuvLogin, 1), 0);
  Dgram d;
  ASSERT_TRUE(a.Next(&d));
  // A SUCCESS to LOGIN without a first-call flag is malformed.
  EXPECT_EQ(Deliver(a, MakeDatagram('h', "500", "")), ECONTENT);
  EXPECT_EQ(LoggedIn, 0);
  EXPECT_TRUE(hooks.calls.empty());
  // A datagram from nobody's address is dropped: 1 from the engine, 0 here.
  Peer stranger;
  EXPECT_EQ(Deliver(stranger, MakeDatagram('j', "001", "1:x:y:z")), 0);
  EXPECT_TRUE(hooks.calls.empty());
}

// Answer with RAS "1" and HANGUP "0": the hang-up is armed for PACCEPT and
// fires on the first SUCCESS that answers a PACCEPT, once.
TEST_F(Bridge, ArmedHangUpFiresOnceOnTheSuccessOfTheArmedCommand) {
  ASSERT_EQ(NetworkUpAndLogIn(a), 0);
  const unsigned id = SessionIdOf(a);
  hooks = HookLog{};

  // Armed, but a PACKN's SUCCESS and a PACCEPT's FAIL leave it armed.
  ASSERT_EQ(NuvProtoTransmit(&nuvLogin, id, CMD_PACKN, nullptr, 41, 0), 0);
  ExpectSentAndAck(a, 'd', "41");
  EXPECT_EQ(NuvEventHangupOnSuccess(&nuvLogin, CMD_PACCEPT), 0);
  EXPECT_EQ(Deliver(a, MakeDatagram('h', "030", "")), 0);
  EXPECT_EQ(a.Commands(), "p");
  ASSERT_EQ(NuvProtoTransmit(&nuvLogin, id, CMD_PACCEPT, "2045553636", 42, 10), 0);
  ExpectSentAndAck(a, 'e', "42:10:2045553636");
  EXPECT_EQ(Deliver(a, MakeDatagram('i', "031", "")), 0);
  EXPECT_EQ(a.Commands(), "p");
  EXPECT_EQ(hooks.Count("hangup"), 0);
  EXPECT_EQ(nuvLogin.hangupOnSuccess, CMD_PACCEPT);

  ASSERT_EQ(NuvProtoTransmit(&nuvLogin, id, CMD_PACCEPT, "2045553636", 43, 25), 0);
  ExpectSentAndAck(a, 'e', "43:25:2045553636");
  EXPECT_EQ(Deliver(a, MakeDatagram('h', "032", "")), 0);
  EXPECT_EQ(a.Commands(), "p");
  EXPECT_EQ(hooks.Count("hangup"), 1);
  EXPECT_EQ(nuvLogin.hangupOnSuccess, 0);

  // The next PACCEPT's SUCCESS, not armed again, does not hang up.
  ASSERT_EQ(NuvProtoTransmit(&nuvLogin, id, CMD_PACCEPT, "2045551212", 44, 10), 0);
  ExpectSentAndAck(a, 'e', "44:10:2045551212");
  EXPECT_EQ(Deliver(a, MakeDatagram('h', "033", "")), 0);
  EXPECT_EQ(a.Commands(), "p");
  EXPECT_EQ(hooks.Count("hangup"), 1);
}

TEST_F(Bridge, DecisionsGoToTheServerThatReportedTheCall) {
  ASSERT_EQ(NetworkUpAndLogIn(a), 0);
  ASSERT_EQ(LogIn(b, "0:1:12345"), 0);
  struct Case {
    char cmd;
    const char *text;
    int a, b;
    const char *payload;
  } cases[] = {{CMD_PACCEPT, "2045551212", 7, 10, "07:10:2045551212"},
               {CMD_PACKN, nullptr, 8, 0, "8"},
               {CMD_PIGNORE, nullptr, 9, 0, "9"},
               {CMD_PACKN2, nullptr, 10, -1, "10"}};
  for (const Case &c : cases) {
    EXPECT_EQ(NuvProtoTransmit(&nuvLogin, SessionIdOf(b), c.cmd, c.text, c.a, c.b), 0);
    ExpectSentAndAck(b, c.cmd, c.payload);
  }
  EXPECT_EQ(a.Commands(), "");
}

TEST_F(Bridge, TransmitToARemovedSessionReturns4AndSendsNothing) {
  ASSERT_EQ(NetworkUpAndLogIn(a), 0);
  const unsigned gone = SessionIdOf(a);
  b.Commands();
  // The cluster moves to b alone: a gets LOGOUT and leaves the table.
  EXPECT_EQ(Deliver(a, MakeDatagram('s', "020", "ips:1:" + b.Entry())), 0);
  EXPECT_EQ(a.Commands(), "pb");
  ASSERT_EQ(nuvLogin.serverCount, 1);
  trace.text.clear();

  EXPECT_EQ(NuvProtoTransmit(&nuvLogin, gone, CMD_PIGNORE, nullptr, 42, 0), ESESS);
  EXPECT_EQ(NuvProtoTransmit(&nuvLogin, 9999, CMD_PIGNORE, nullptr, 42, 0), ESESS);
  EXPECT_EQ(a.Commands(), "");
  EXPECT_EQ(b.Commands(), "");
  EXPECT_EQ(trace.text, "");
}

TEST_F(Bridge, FailedTransmitIsTracedWithTheStatusName) {
  ASSERT_EQ(NetworkUpAndLogIn(a), 0);
  b.Commands();
  const unsigned id = SessionIdOf(a);
  // Fifteen slots; b's unanswered LOGIN holds one of them.
  int sent = 0;
  while (NuvProtoTransmit(&nuvLogin, id, CMD_PACKN, nullptr, sent, 0) == 0 && sent < 20) ++sent;
  EXPECT_EQ(sent, 14);
  EXPECT_TRUE(trace.Has("High-level transmit req failed: EDROP\r\n"));
}

// "custom:" pushes change the four customisation fields in memory only.
TEST_F(Bridge, CustomPushesSetTheCustomisationFields) {
  ASSERT_EQ(NetworkUpAndLogIn(a), 0);
  const std::string longText(200, '9');
  struct Case {
    const char *version;
    std::string payload;
    int rc;
    const char *number, *pin, *notify, *answer;  // expected; before: defaults, answer "1"
  } cases[] = {
      {"7.0", "custom:None:1234:1:0", 0, "(XXX) XXX-XXXX", "1234", "1", "0"},
      {"7.0", "custom:Nonesuch:1234:0:1", 0, "(XXX) XXX-XXXX", "1234", "0", "1"},
      {"7.0", "custom:204-555-1212:PIN 9:0:1", 0, "(204) 555-1212", "PIN 9", "0", "1"},
      {"7.0", "custom:555-1212:77:1:0", 0, "(204) 555-1212", "77", "1", "0"},
      {"7.0", "custom:12345:77:1:0", 0, "12345", "77", "1", "0"},
      // Three items: the answer flag was not sent and keeps its value.
      {"7.0", "custom:None:88:1", 0, "(XXX) XXX-XXXX", "88", "1", "1"},
      // Empty PIN: one item only, malformed, nothing changes.
      {"7.0", "custom:2045551212::1:1", ECONTENT, "(XXX) XXX-XXXX", "not yet available", "0", "1"},
      {"7.0", "custom:" + longText + ":1:1:1", ECONTENT, "(XXX) XXX-XXXX", "not yet available", "0",
       "1"},
      // A PIN longer than a settings field is cut to 39 characters.
      {"7.0", "custom:None:" + std::string(60, 'p') + ":1:1", 0, "(XXX) XXX-XXXX",
       "ppppppppppppppppppppppppppppppppppppppp", "1", "1"},
      // Version 6.0 and other CONFIGNEW texts: ignored.
      {"6.0", "custom:2045551212:1234:1:1", 0, "(XXX) XXX-XXXX", "not yet available", "0", "1"},
      {"7.0", "customise:1:2:3:4", 0, "(XXX) XXX-XXXX", "not yet available", "0", "1"},
  };
  int seq = 100;
  for (const Case &c : cases) {
    std::snprintf(Config.CUSTOMIZENUMBER, kConfigFieldSize, "(XXX) XXX-XXXX");
    std::snprintf(Config.CUSTOMIZEPIN, kConfigFieldSize, "not yet available");
    std::snprintf(Config.CUSTOMNOTIFY, kConfigFieldSize, "0");
    std::snprintf(Config.CUSTOMANSWER, kConfigFieldSize, "1");
    EXPECT_EQ(Deliver(a, MakeDatagram('s', std::to_string(seq++), c.payload, c.version)), c.rc)
        << c.payload;
    EXPECT_STREQ(Config.CUSTOMIZENUMBER, c.number) << c.payload;
    EXPECT_STREQ(Config.CUSTOMIZEPIN, c.pin) << c.payload;
    EXPECT_STREQ(Config.CUSTOMNOTIFY, c.notify) << c.payload;
    EXPECT_STREQ(Config.CUSTOMANSWER, c.answer) << c.payload;
    EXPECT_EQ(a.Commands(), "p") << "acknowledged before it is read";
  }
  // Nothing was saved by the pushes.
  EXPECT_EQ(Stored("CUSTOMIZEPIN"), "not yet available");
}

TEST_F(Bridge, NetworkDownLogsOutEmptiesTheTableAndUpStartsFromTheStoredList) {
  ASSERT_EQ(NetworkUpAndLogIn(a), 0);
  ASSERT_EQ(LogIn(b, "0:1:12345"), 0);
  EXPECT_EQ(nuvLogin.fallbackStage, 1);
  trace.text.clear();
  trace.status.clear();

  EXPECT_EQ(NuvEventNetworkChange(&nuvLogin, 0), 0);
  EXPECT_EQ(trace.text.substr(0, 22), "Network Change: Down\r\n");
  Dgram d;
  for (Peer *p : {&a, &b}) {
    ASSERT_TRUE(p->Next(&d));
    EXPECT_EQ(d.cmd, 'b');
    EXPECT_EQ(d.payload, "secret1");
    EXPECT_EQ(p->Commands(), "");
  }
  EXPECT_EQ(nuvLogin.serverCount, 0);
  EXPECT_EQ(nuvLogin.loggedIn, 0);
  EXPECT_EQ(nuvLogin.networkDown, 1);
  EXPECT_EQ(nuvLogin.timerDisabled, 1);
  EXPECT_EQ(LoggedIn, 0);
  EXPECT_TRUE(trace.Saw(DEBUG_STATUS_TIMER_TICK));

  // While down, a second down sends nothing more.
  EXPECT_EQ(NuvEventNetworkChange(&nuvLogin, 0), 0);
  EXPECT_EQ(a.Commands() + b.Commands(), "");

  // Up again: the stored list (a and b) gets LOGINs, now as a dial-up.
  trace.text.clear();
  NuvEventConnectionType(&nuvLogin, 1);
  EXPECT_EQ(NuvEventNetworkChange(&nuvLogin, 1), 0);
  EXPECT_EQ(trace.text.substr(0, 20), "Network Change: Up\r\n");
  EXPECT_EQ(nuvLogin.networkDown, 0);
  EXPECT_EQ(nuvLogin.timerDisabled, 0);
  EXPECT_EQ(nuvLogin.fallbackStage, 1);
  for (Peer *p : {&a, &b}) {
    ASSERT_TRUE(p->Next(&d));
    EXPECT_EQ(d.cmd, 'a');
    EXPECT_EQ(d.payload, "secret1:1");
  }
  // Up while logged in sends nothing.
  EXPECT_EQ(Deliver(a, MakeDatagram('h', "500", "0:1:12345")), 0);
  EXPECT_EQ(LoggedIn, 1);
  a.Commands();
  EXPECT_EQ(NuvEventNetworkChange(&nuvLogin, 1), 0);
  EXPECT_EQ(a.Commands() + b.Commands(), "");
}

TEST_F(Bridge, UnsupportedServiceClassIsAMisconfiguredAccountAndStopsTheClock) {
  struct Case {
    const char *success;
    bool misconfigured;
  } cases[] = {{"0:2:12345", false}, {"0:4:12345", true}, {"0:7:12345", true},
               {"0:-3:12345", true}};
  for (const Case &c : cases) {
    NuvEventNetworkChange(&nuvLogin, 0);
    NuvProtoClusterLogoutEx(&nuvLogin, 0);
    a.Commands();
    b.Commands();
    hooks = HookLog{};
    ASSERT_EQ(NetworkUpAndLogIn(a, c.success), 0) << c.success;
    EXPECT_EQ(hooks.Count("misconfigured"), c.misconfigured ? 1 : 0) << c.success;
    EXPECT_EQ(nuvLogin.timerDisabled, c.misconfigured ? 1 : 0) << c.success;
    // Every later login change reports it again; the clock stays off.
    NuvEventLoginChange(&nuvLogin);
    EXPECT_EQ(hooks.Count("misconfigured"), c.misconfigured ? 2 : 0) << c.success;
    if (c.misconfigured) {
      const int outTime = nuvLogin.outTime;
      EXPECT_EQ(NuvProtoTimerTick(&nuvLogin), 0);
      EXPECT_EQ(nuvLogin.outTime, outTime);
      EXPECT_EQ(a.Commands(), "");
    }
  }
}

}  // namespace
}  // namespace bridgetest
