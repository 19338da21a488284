#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "protocol/packet.h"

namespace {

std::vector<uint8_t> Build(std::string_view version, char command,
                           const std::array<uint8_t, 4> &seq, std::string_view payload,
                           int bufSize = kPacketSlotSize) {
  std::vector<uint8_t> buf(bufSize, 0xEE);
  const int n = NuvPacketBuild(buf.data(), bufSize, version, "2045553636", seq, command, payload);
  buf.resize(n > 0 ? n : 0);
  return buf;
}

// A received datagram: header with the given dataSize bytes, payload, trailer.
std::vector<uint8_t> Datagram(char command, std::array<uint8_t, 4> dataSize, std::string_view payload,
                              int extra = 3) {
  std::vector<uint8_t> d(32 + payload.size() + static_cast<size_t>(extra), 0);
  std::memcpy(d.data(), "7.0", 3);
  std::memcpy(d.data() + 21, "012", 3);
  d[25] = static_cast<uint8_t>(command);
  std::memcpy(d.data() + 28, dataSize.data(), 4);
  if (!payload.empty()) std::memcpy(d.data() + 32, payload.data(), payload.size());
  return d;
}

}  // namespace

TEST(PacketBuild, LoginCarriesPasswordAndConnectionTypeByVersion) {
  char payload[kPacketMaxPayloadText + 1];
  ASSERT_EQ(7, NuvPacketFormatPayload(CMD_LOGIN, "7.0", "abcde", 0, 0, 1, payload, sizeof payload));
  EXPECT_STREQ("abcde:1", payload);
  std::vector<uint8_t> p = Build("7.0", CMD_LOGIN, NuvPacketSequenceField(0), payload);
  ASSERT_EQ(43u, p.size());
  const uint8_t header[32] = {'7', '.', '0', 0,   0,   '2', '0', '4', '5', '5', '5',
                              '3', '6', '3', '6', 0,   0,   0,   0,   0,   0,   '0',
                              '0', '0', 0,   'a', 0,   0,   8,   0,   0,   0};
  EXPECT_EQ(0, std::memcmp(header, p.data(), 32));
  EXPECT_EQ(0, std::memcmp("abcde:1\0\0\0\0", p.data() + 32, 11));

  ASSERT_EQ(5, NuvPacketFormatPayload(CMD_LOGIN, "6.0", "abcde", 0, 0, 1, payload, sizeof payload));
  EXPECT_STREQ("abcde", payload);
  p = Build("6.0", CMD_LOGIN, NuvPacketSequenceField(0), payload);
  ASSERT_EQ(41u, p.size());
  EXPECT_EQ(6, p[28]);
  EXPECT_EQ(0, std::memcmp("abcde\0\0\0\0", p.data() + 32, 9));
}

TEST(PacketBuild, DutyValidAndInvalidHaveEmptyPayloads) {
  std::vector<uint8_t> p = Build("7.0", CMD_DUTY, kDutySequence, "");
  ASSERT_EQ(36u, p.size());
  EXPECT_EQ(0, std::memcmp("-1\0\0q\0\0\x01\0\0\0\0\0\0\0", p.data() + 21, 15));

  // VALID answers with the 4 sequence bytes exactly as received, junk included.
  const std::array<uint8_t, 4> answered = {'0', '4', '2', 0x7F};
  p = Build("7.0", CMD_VALID, answered, "");
  ASSERT_EQ(36u, p.size());
  EXPECT_EQ(0, std::memcmp(answered.data(), p.data() + 21, 4));
}

TEST(PacketBuild, PayloadFormsOfTheClientsCommands) {
  struct Case {
    char command;
    const char *text;
    int a, b;
    const char *expect;
  } cases[] = {
      {CMD_LOGOUT, "pw", 0, 0, "pw"},
      {CMD_PIGNORE, nullptr, 17, 0, "17"},
      {CMD_PACKN, nullptr, -3, 0, "-3"},
      {CMD_PACKN2, nullptr, 5, -1, "5"},
      {CMD_PACKN2, nullptr, 5, 0, "5:0"},
      {CMD_PACCEPT, "2045551234", 7, 10, "07:10:2045551234"},
      {CMD_VALID, "ignored", 1, 2, ""},
  };
  for (const Case &c : cases) {
    char out[kPacketMaxPayloadText + 1];
    EXPECT_EQ(static_cast<int>(std::strlen(c.expect)),
              NuvPacketFormatPayload(c.command, "7.0", c.text, c.a, c.b, 1, out, sizeof out))
        << c.command;
    EXPECT_STREQ(c.expect, out) << c.command;
  }
  char out[8] = "junk";
  EXPECT_EQ(-1, NuvPacketFormatPayload(CMD_SUCCESS, "7.0", "x", 0, 0, 0, out, sizeof out));
  EXPECT_STREQ("", out);
}

TEST(PacketBuild, LongPayloadIsCutToTheLimitAndTheBuffer) {
  const std::string longText(200, 'x');
  char out[kPacketMaxPayloadText + 1];
  EXPECT_EQ(81, NuvPacketFormatPayload(CMD_LOGOUT, "7.0", longText.c_str(), 0, 0, 0, out, sizeof out));

  // A kept slot of 116 bytes holds at most 80 characters with NUL and trailer.
  std::vector<uint8_t> p = Build("7.0", CMD_LOGOUT, NuvPacketSequenceField(1), out);
  ASSERT_EQ(116u, p.size());
  EXPECT_EQ(81u, NuvPacketDataSize(p.data()));
  EXPECT_EQ(0, p[112]);

  // With a larger buffer the 81 characters of the limit go out whole.
  p = Build("7.0", CMD_LOGOUT, NuvPacketSequenceField(1), longText, 400);
  ASSERT_EQ(35u + 82u, p.size());

  uint8_t tiny[35];
  EXPECT_EQ(0, NuvPacketBuild(tiny, sizeof tiny, "7.0", "1", kDutySequence, CMD_DUTY, ""));
}

TEST(PacketBuild, OverlongVersionAndUserIdAreCutToTheirFields) {
  std::vector<uint8_t> buf(64, 0xEE);
  const int n = NuvPacketBuild(buf.data(), 64, "7.0.12", "12345678901234567890", kDutySequence,
                               CMD_DUTY, "");
  ASSERT_EQ(36, n);
  EXPECT_EQ("7.0.1", NuvPacketVersion(buf.data()));
  EXPECT_EQ("1234567890123456", NuvPacketUserId(buf.data()));
  EXPECT_EQ("-1", NuvPacketSequenceText(buf.data()));
}

TEST(PacketSequence, RunsFrom000To999AndWraps) {
  unsigned counter = 0;  // LOGIN sets it to 0 and carries 000
  std::string first, thousandth, next;
  for (int i = 1; i <= 1001; ++i) {
    const auto f = NuvPacketSequenceField(counter);
    const std::string text(reinterpret_cast<const char *>(f.data()));
    if (i == 1) first = text;
    if (i == 1000) thousandth = text;
    if (i == 1001) next = text;
    EXPECT_EQ(0, f[3]);
    counter = NuvPacketNextSequence(counter);
  }
  EXPECT_EQ("000", first);
  EXPECT_EQ("999", thousandth);
  EXPECT_EQ("000", next);

  unsigned n = 0;
  EXPECT_EQ(1, NuvPacketSequenceNumber("042", &n));
  EXPECT_EQ(42u, n);
  EXPECT_EQ(0, NuvPacketSequenceNumber("-x", &n));
  EXPECT_EQ(0, NuvPacketSequenceNumber("", &n));
}

TEST(PacketAccept, DataSizeInEitherByteOrder) {
  const auto net = Datagram(CMD_MESSAGE, {0, 0, 0, 5}, std::string_view("hell\0", 5));
  NuvPacketAcceptance a = NuvPacketAccept(net.data(), static_cast<int>(net.size()));
  EXPECT_EQ(5u, a.dataSize);
  EXPECT_FALSE(a.htonlWarning);
  EXPECT_TRUE(a.lengthOk);
  EXPECT_TRUE(a.commandKnown);

  const auto host = Datagram(CMD_MESSAGE, {5, 0, 0, 0}, std::string_view("hell\0", 5));
  a = NuvPacketAccept(host.data(), static_cast<int>(host.size()));
  EXPECT_EQ(5u, a.dataSize);
  EXPECT_TRUE(a.htonlWarning);
  EXPECT_TRUE(a.lengthOk);
}

TEST(PacketAccept, ByteOrderTurnsAbove0xFFFF) {
  struct Case {
    std::array<uint8_t, 4> bytes;
    uint32_t dataSize;
    bool warning;
  } cases[] = {
      {{0, 0, 0xFF, 0xFF}, 65535, false},  // the largest value believed in network order
      {{0, 1, 0, 0}, 256, true},           // 65536: taken in the processor's order
      {{0xFF, 0xFF, 0, 0}, 65535, true},
  };
  for (const Case &c : cases) {
    const auto d = Datagram(CMD_MESSAGE, c.bytes, "");
    const NuvPacketAcceptance a = NuvPacketAccept(d.data(), static_cast<int>(d.size()));
    EXPECT_EQ(c.dataSize, a.dataSize) << c.dataSize;
    EXPECT_EQ(c.warning, a.htonlWarning) << c.dataSize;
  }
}

TEST(PacketAccept, LengthRuleNeeds35PlusDataSize) {
  struct Case {
    int length;
    std::array<uint8_t, 4> dataSize;
    bool ok;
  } cases[] = {
      {41, {0, 0, 0, 6}, true},
      {60, {0, 0, 0, 6}, true},
      {40, {0, 0, 0, 6}, false},
      {35, {0, 0, 0, 0}, true},
      // Both byte orders give 0xFFFFFFFF: 35 + dataSize must not wrap to a small number.
      {40, {0xFF, 0xFF, 0xFF, 0xFF}, false},
      {100, {0xFF, 0xFF, 0xFF, 0xFE}, false},
  };
  for (const Case &c : cases) {
    std::vector<uint8_t> d = Datagram(CMD_PINCOMING, c.dataSize, "");
    d.resize(static_cast<size_t>(c.length), 'x');
    EXPECT_EQ(c.ok, NuvPacketAccept(d.data(), c.length).lengthOk) << c.length;
  }
}

TEST(PacketAccept, CommandLettersOutsideAToSAreUnknown) {
  for (int letter : {int{'a'}, int{'l'}, int{'s'}, int{'z'}, int{'`'}, int{'t'}, 0, 0xE1}) {
    auto d = Datagram(static_cast<char>(letter), {0, 0, 0, 1}, std::string_view("\0", 1));
    EXPECT_EQ(letter >= 'a' && letter <= 's', NuvPacketAccept(d.data(), static_cast<int>(d.size())).commandKnown)
        << letter;
  }
}

TEST(PacketAccept, ShortDatagramsAreReadOnlyWithinTheirLength) {
  // Heap copies of exactly `length` bytes so ASan sees any read beyond them.
  for (int length : {1, 20, 26, 29, 31, 32, 34}) {
    std::vector<uint8_t> d(static_cast<size_t>(length), 'h');
    const NuvPacketAcceptance a = NuvPacketAccept(d.data(), length);
    EXPECT_FALSE(a.lengthOk) << length;
    EXPECT_EQ(length > 32 ? length - 32u : 0u, NuvPacketPayload(d.data(), length).size());
  }
  const NuvPacketAcceptance none = NuvPacketAccept(nullptr, 0);
  EXPECT_FALSE(none.lengthOk);
  EXPECT_FALSE(none.commandKnown);
}

TEST(PacketPayload, EndsAtNulOrAtTheEndOfTheDatagram) {
  auto d = Datagram(CMD_MESSAGE, {0, 0, 0, 3}, std::string_view("hi\0tail", 7), 0);
  EXPECT_EQ("hi", NuvPacketPayload(d.data(), static_cast<int>(d.size())));
  d = Datagram(CMD_MESSAGE, {0, 0, 0, 3}, "unterminated", 0);
  EXPECT_EQ("unterminated", NuvPacketPayload(d.data(), static_cast<int>(d.size())));
}

TEST(PacketParse, LoginAnswerFromMapAndRedirectServers) {
  struct Case {
    const char *payload;
    int status;
    bool map;
    int firstCall, service;
    const char *signature;
  } cases[] = {
      {"0:2:12345", NUV_OK, true, 0, 2, "12345"},
      {"1", NUV_OK, false, 1, 0, ""},
      {"1:", NUV_OK, false, 1, 0, ""},
      {"1:x:sig", NUV_OK, false, 1, 0, ""},        // unreadable class: Redirect server
      {"::1::3::abc", NUV_OK, true, 1, 3, "abc"},  // empty fields are skipped
      {"0:2:0123456789abcdefXYZ", NUV_OK, true, 0, 2, "0123456789abcdef"},
      {"0:2", ECONTENT, true, 0, 2, ""},  // MAP server without signature
      {"", ECONTENT, false, 0, 0, ""},
      {"x:1:2", ECONTENT, false, 0, 0, ""},
      {":::", ECONTENT, false, 0, 0, ""},
  };
  for (const Case &c : cases) {
    NuvLoginAnswer a;
    EXPECT_EQ(c.status, NuvPacketParseLoginAnswer(c.payload, &a)) << c.payload;
    if (c.status != NUV_OK) continue;
    EXPECT_EQ(c.map, a.mapServer) << c.payload;
    EXPECT_EQ(c.firstCall, a.firstCall) << c.payload;
    EXPECT_EQ(c.service, a.service) << c.payload;
    EXPECT_EQ(c.signature, a.signature) << c.payload;
  }
}

TEST(PacketParse, IncomingCallFields) {
  NuvIncomingCall c;
  EXPECT_EQ(NUV_OK, NuvPacketParseIncoming("1234:JOHN SMITH:2045553636:1999-03-15-1432", &c));
  EXPECT_EQ(1234, c.callId);
  EXPECT_EQ("JOHN SMITH", c.name);
  EXPECT_EQ("2045553636", c.number);
  EXPECT_EQ("1999-03-15-1432", c.time);

  // Empty fields are kept in place; missing ones are empty.
  EXPECT_EQ(NUV_OK, NuvPacketParseIncoming("7::555", &c));
  EXPECT_EQ(7, c.callId);
  EXPECT_EQ("", c.name);
  EXPECT_EQ("555", c.number);
  EXPECT_EQ("", c.time);

  // Only the first 96 characters count.
  const std::string longName = "9:" + std::string(120, 'N') + ":1:2";
  EXPECT_EQ(NUV_OK, NuvPacketParseIncoming(longName, &c));
  EXPECT_EQ(94u, c.name.size());
  EXPECT_EQ("", c.number);

  EXPECT_EQ(ECONTENT, NuvPacketParseIncoming("abc:n:1:t", &c));
  EXPECT_EQ("n", c.name);
}

TEST(PacketParse, DisconnectCallId) {
  int id = -5;
  EXPECT_EQ(NUV_OK, NuvPacketParseDisconnect("1234", &id));
  EXPECT_EQ(1234, id);
  EXPECT_EQ(NUV_OK, NuvPacketParseDisconnect("77:rest of text", &id));
  EXPECT_EQ(77, id);
  EXPECT_EQ(ECONTENT, NuvPacketParseDisconnect(":77", &id));
  EXPECT_EQ(0, id);
  EXPECT_EQ(NUV_OK, NuvPacketParseDisconnect("99999999999999999999", &id));
  EXPECT_EQ(INT32_MAX, id);
}

TEST(PacketParse, ConfigNewFormsByVersionAndPrefix) {
  struct Case {
    const char *version, *payload;
    NuvConfigNewKind kind;
  } cases[] = {
      {"7.0", "ips:1:192.0.2.1/10002", CONFIGNEW_IPS},
      {"6.0", "ips:1:192.0.2.1/10002", CONFIGNEW_OTHER},
      {"7.0", "time:10:2:120", CONFIGNEW_TIME},
      {"6.0", "time:10:2:120", CONFIGNEW_TIME},
      {"6.0", "ip1:192.0.2.1/10002", CONFIGNEW_IP1},
      {"7.0", "ip1:192.0.2.1/10002", CONFIGNEW_OTHER},
      {"6.0", "ip2:whatever", CONFIGNEW_IP2},
      {"7.0", "custom:None:1234:1:0", CONFIGNEW_CUSTOM},
      {"6.0", "custom:None:1234:1:0", CONFIGNEW_OTHER},
      {"7.0", "IPS:1:x/1", CONFIGNEW_OTHER},  // prefixes are case-sensitive
      {"7.0", "", CONFIGNEW_OTHER},
      {"8.0", "ips:1:192.0.2.1/10002", CONFIGNEW_UNKNOWN_VERSION},
      {"7.00", "time:1:1:1", CONFIGNEW_UNKNOWN_VERSION},
      {"", "time:1:1:1", CONFIGNEW_UNKNOWN_VERSION},
  };
  for (const Case &c : cases)
    EXPECT_EQ(c.kind, NuvPacketConfigNewKind(c.version, c.payload)) << c.version << " " << c.payload;
}

TEST(PacketParse, ConfigTime) {
  NuvConfigTime t;
  ASSERT_EQ(NUV_OK, NuvPacketParseConfigTime("time:15:3:90", &t));
  EXPECT_EQ(15, t.timeout);
  EXPECT_EQ(3, t.resends);
  EXPECT_EQ(90, t.duty);
  EXPECT_EQ(NUV_OK, NuvPacketParseConfigTime("time: 1: -2: 3junk", &t));
  EXPECT_EQ(-2, t.resends);
  for (const char *bad : {"time:15:3", "time:15::3:4", "time:", "time:a:1:2", "time:1 :2:3"})
    EXPECT_EQ(ECONTENT, NuvPacketParseConfigTime(bad, &t)) << bad;
}

TEST(PacketParse, ConfigIp1) {
  NuvConfigIp1 ip;
  ASSERT_EQ(NUV_OK, NuvPacketParseConfigIp1("ip1:192.0.2.9/10005", &ip));
  EXPECT_EQ("192.0.2.9", ip.host);
  EXPECT_EQ(10005, ip.port);
  ASSERT_EQ(NUV_OK, NuvPacketParseConfigIp1("ip1://host.example//7/ignored", &ip));
  EXPECT_EQ("host.example", ip.host);
  EXPECT_EQ(7, ip.port);
  for (const char *bad : {"ip1:", "ip1:192.0.2.9", "ip1:192.0.2.9/", "ip1:192.0.2.9/x"})
    EXPECT_EQ(ECONTENT, NuvPacketParseConfigIp1(bad, &ip)) << bad;
}

TEST(PacketParse, ConfigCustomCountsItemsLikeScanf) {
  struct Case {
    std::string payload;
    int status, items;
    const char *number, *pin;
    int notify, answer;
  } cases[] = {
      {"custom:None:4321:1:0", NUV_OK, 4, "None", "4321", 1, 0},
      {"custom:2045551234:99:0", NUV_OK, 3, "2045551234", "99", 0, 0},
      {"custom:None::1:0", ECONTENT, 1, "None", "", 0, 0},  // empty PIN stops the reading
      {"custom::1234:1:0", ECONTENT, 0, "", "", 0, 0},
      {"custom:None:4321", ECONTENT, 2, "None", "4321", 0, 0},
      {"custom:None:4321:x:1", ECONTENT, 2, "None", "4321", 0, 0},
      {"custom:" + std::string(95, '5') + ":1:1:1", NUV_OK, 4, nullptr, "1", 1, 1},
      {"custom:" + std::string(96, '5') + ":1:1:1", ECONTENT, 1, nullptr, "", 0, 0},
  };
  for (const Case &c : cases) {
    NuvConfigCustom cu;
    EXPECT_EQ(c.status, NuvPacketParseConfigCustom(c.payload, &cu)) << c.payload;
    EXPECT_EQ(c.items, cu.items) << c.payload;
    if (c.number) {
      EXPECT_EQ(c.number, cu.number) << c.payload;
    }
    EXPECT_LE(cu.number.size(), 95u);
    EXPECT_EQ(c.pin, cu.pin) << c.payload;
    EXPECT_EQ(c.notify, cu.notify) << c.payload;
    EXPECT_EQ(c.answer, cu.answer) << c.payload;
  }
}

TEST(ServerList, ParsesStyleCountAndServers) {
  NuvServerList list;
  ASSERT_EQ(NUV_OK, NuvPacketParseServerList("1:2        :192.0.2.1/10002:192.0.2.2/10003", &list));
  EXPECT_EQ(1, list.style);
  ASSERT_EQ(2, list.count);
  EXPECT_STREQ("192.0.2.1", list.servers[0].host);
  EXPECT_EQ(10002, list.servers[0].port);
  EXPECT_STREQ("192.0.2.2", list.servers[1].host);
  EXPECT_EQ(10003, list.servers[1].port);

  ASSERT_EQ(NUV_OK, NuvPacketParseServerList("0:1:192.0.2.7/10002:ignored/after", &list));
  EXPECT_EQ(0, list.style);
  EXPECT_EQ(1, list.count);

  // A stored Redirect server: address/port/port text; the port's leading number counts.
  ASSERT_EQ(NUV_OK, NuvPacketParseServerList("0:1:redirect.example/10004/10002", &list));
  EXPECT_STREQ("redirect.example", list.servers[0].host);
  EXPECT_EQ(10004, list.servers[0].port);
}

TEST(ServerList, RejectsMalformedTextButKeepsTheStyleRead) {
  struct Case {
    std::string text;
    bool styleRead;
    int style;
  } cases[] = {
      {"2:1:192.0.2.1/10002", true, 2},
      {"-1:1:192.0.2.1/10002", true, -1},
      {"x:1:192.0.2.1/10002", false, 0},
      {"", false, 0},
      {"0", true, 0},
      {"0:0:192.0.2.1/10002", true, 0},
      {"0:-3:192.0.2.1/10002", true, 0},
      {"1:2:192.0.2.1/10002", true, 1},  // fewer servers than counted
      {"0:1:192.0.2.1", true, 0},
      {"0:1:192.0.2.1/", true, 0},
      {"0:1:192.0.2.1/port", true, 0},
      {"0:65:192.0.2.1/1", true, 0},  // more than the table holds
      {"0:1:" + std::string(128, 'h') + "/1", true, 0},
  };
  for (const Case &c : cases) {
    NuvServerList list;
    EXPECT_EQ(ECONTENT, NuvPacketParseServerList(c.text, &list)) << c.text;
    EXPECT_EQ(c.styleRead, list.styleRead) << c.text;
    if (c.styleRead) {
      EXPECT_EQ(c.style, list.style) << c.text;
    }
  }
}

TEST(ServerList, IpsPushIsReadAsStyleAll) {
  NuvServerList list;
  ASSERT_EQ(NUV_OK, NuvPacketParseServerListIps("2:192.0.2.1/10002:192.0.2.2/10003", &list));
  EXPECT_EQ(0, list.style);
  EXPECT_EQ(2, list.count);
  EXPECT_EQ(ECONTENT, NuvPacketParseServerListIps("0:192.0.2.1/10002", &list));

  std::string many = "64";
  for (int i = 0; i < 64; ++i) many += ":10.0.0." + std::to_string(i + 1) + "/" + std::to_string(1000 + i);
  ASSERT_EQ(NUV_OK, NuvPacketParseServerListIps(many, &list));
  EXPECT_STREQ("10.0.0.64", list.servers[63].host);
  EXPECT_EQ(1063, list.servers[63].port);
}
