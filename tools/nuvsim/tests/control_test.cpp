// The operator's control lines and the command-line arguments.

#include <gtest/gtest.h>

#include "nuvsim/control.h"
#include "sim_fixture.h"

namespace nuvsim_test {
namespace {

class SimControlTest : public SimTest {
 protected:
  ControlResult run(const std::string &line) { return runControl(sim_, line, "2026-12-10-1200", reply_); }
  std::string lastPayload() {
    const auto out = outRecords();
    return out.empty() ? std::string("<none>") : out.back()->payload;
  }
  std::string reply_;
};

TEST_F(SimControlTest, SendCommandsBuildTheirPayloads) {
  login();
  struct Case {
    const char *line;
    char command;
    std::string payload;
  } cases[] = {
      {"call 42 \"John Smith\" 5551230000 1999-03-15-1432", 'j', "42:John Smith:5551230000:1999-03-15-1432"},
      {"call 7 Jane 5559876543", 'j', "7:Jane:5559876543:2026-12-10-1200"},
      {"disconnect 42", 'k', "42"},
      {"disconnect 42:caller hung up", 'k', "42:caller hung up"},
      {"message Your bill is due", 'm', "Your bill is due"},
      {"relogin", 'g', ""},
      {"resend", 'n', ""},
      {"duty", 'q', ""},
      {"config ips 2:192.0.2.1/10002:192.0.2.2/10003", 's', "ips:2:192.0.2.1/10002:192.0.2.2/10003"},
      {"config ips", 's', "ips:1:127.0.0.1/" + std::to_string(sim_.serverPort(0))},
      {"config time 10:2:60", 's', "time:10:2:60"},
      {"config ip1 192.0.2.7/10002", 's', "ip1:192.0.2.7/10002"},
      {"config ip2 anything", 's', "ip2:anything"},
      {"config custom None:1234:1:0", 's', "custom:None:1234:1:0"},
      {"config text hello there", 's', "hello there"},
      {"packet l configure me", 'l', "configure me"},
      {"@0 message only here", 'm', "only here"},
  };
  for (const Case &c : cases) {
    ASSERT_EQ(run(c.line), kControlOk) << c.line << ": " << reply_;
    const auto out = outRecords();
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back()->command, c.command) << c.line;
    EXPECT_EQ(out.back()->payload, c.payload) << c.line;
    EXPECT_EQ(out.back()->note, "operator");
  }
}

TEST_F(SimControlTest, RawSendsTheBytesAsTheyAre) {
  login();
  ASSERT_EQ(run("raw 37 2e 30 00 FF"), kControlOk) << reply_;
  const auto got = client_.receive(1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].bytes, bytes({0x37, 0x2e, 0x30, 0x00, 0xFF}));
  EXPECT_EQ(outRecords().back()->status, DecodeStatus::ShortHeader);
}

TEST_F(SimControlTest, SettingsChangeTheAnswers) {
  const char *lines[] = {"login fail", "firstcall 1", "service 3", "signature ABC", "version 6.0", "sizeorder le",
                         "retry 4 7", "invalid on", "silent on", "wrongport on", "redirectpush off"};
  for (const char *line : lines) ASSERT_EQ(run(line), kControlOk) << line << ": " << reply_;
  const Behaviour &b = sim_.behaviour(0);
  EXPECT_EQ(b.login, Reply::Fail);
  EXPECT_EQ(b.firstCall, 1);
  EXPECT_EQ(b.service, 3);
  EXPECT_EQ(b.signature, "ABC");
  EXPECT_EQ(b.version, "6.0");
  EXPECT_EQ(b.sizeOrder, SizeOrder::Little);
  EXPECT_EQ(b.resendMs, 4000);
  EXPECT_EQ(b.maxResends, 7);
  EXPECT_TRUE(b.invalid && b.silent && b.wrongPort);
  EXPECT_FALSE(b.redirectPush);

  ASSERT_EQ(run("fault drop 10"), kControlOk);
  ASSERT_EQ(run("fault reorder 30"), kControlOk);
  ASSERT_EQ(run("fault delayms 250"), kControlOk);
  ASSERT_EQ(run("fault dir in"), kControlOk);
  EXPECT_EQ(sim_.faults().dropPercent, 10);
  EXPECT_EQ(sim_.faults().reorderPercent, 30);
  EXPECT_EQ(sim_.faults().delayMs, 250);
  EXPECT_TRUE(sim_.faults().incoming);
  EXPECT_FALSE(sim_.faults().outgoing);
  ASSERT_EQ(run("fault off"), kControlOk);
  EXPECT_EQ(sim_.faults().dropPercent + sim_.faults().reorderPercent, 0);
  ASSERT_EQ(run("status"), kControlOk);
  EXPECT_NE(reply_.find("S0 MAP 127.0.0.1:"), std::string::npos) << reply_;
}

TEST_F(SimControlTest, BadLinesAreRefusedWithoutEffect) {
  login();
  const size_t before = sim_.records().size();
  const char *bad[] = {"frobnicate",       "call",           "call x Jane 555",    "call 1 Jane",
                       "@1 duty",          "@x duty",        "login maybe",        "fault drop 101",
                       "fault drop -1",    "fault jitter 5", "invalid perhaps",    "raw 4",
                       "raw zz",           "raw",            "config",             "config bogus 1",
                       "version 7.0.123",  "retry 0 1",      "seed x",             "packet ab x",
                       "disconnect",       "service ten"};
  for (const char *line : bad) EXPECT_EQ(run(line), kControlError) << line;
  EXPECT_EQ(sim_.records().size(), before);
  EXPECT_EQ(run(""), kControlOk);
  EXPECT_EQ(run("# a comment"), kControlOk);
  EXPECT_EQ(run("quit"), kControlQuit);
}

TEST(SimControlParse, ListenArguments) {
  struct Case {
    const char *text;
    bool ok;
    const char *addr;
    uint16_t port;
    ServerKind kind;
  } cases[] = {
      {"127.0.0.1:10002", true, "127.0.0.1", 10002, ServerKind::Map},
      {"0.0.0.0:9,redirect", true, "0.0.0.0", 9, ServerKind::Redirect},
      {"10.1.2.3:0,map", true, "10.1.2.3", 0, ServerKind::Map},
      {"127.0.0.1", false, "", 0, ServerKind::Map},
      {"127.0.0.1:70000", false, "", 0, ServerKind::Map},
      {"127.0.0.1:10002,proxy", false, "", 0, ServerKind::Map},
      {"256.0.0.1:1", false, "", 0, ServerKind::Map},
      {"1.2.3:1", false, "", 0, ServerKind::Map},
      {":1", false, "", 0, ServerKind::Map},
  };
  for (const Case &c : cases) {
    std::string addr;
    uint16_t port = 0;
    ServerKind kind = ServerKind::Map;
    ASSERT_EQ(parseListen(c.text, addr, port, kind), c.ok) << c.text;
    if (!c.ok) continue;
    EXPECT_EQ(addr, c.addr);
    EXPECT_EQ(port, c.port);
    EXPECT_EQ(kind, c.kind);
  }
}

TEST(SimControlParse, HexBytes) {
  std::string out;
  EXPECT_TRUE(parseHex("00 ff 7A", out, 10));
  EXPECT_EQ(out, bytes({0, 0xFF, 0x7A}));
  EXPECT_TRUE(parseHex("0aff", out, 2));
  EXPECT_FALSE(parseHex("0aff01", out, 2));  // over the cap
  EXPECT_FALSE(parseHex("abc", out, 10));
  EXPECT_FALSE(parseHex("0g", out, 10));
}

}  // namespace
}  // namespace nuvsim_test
