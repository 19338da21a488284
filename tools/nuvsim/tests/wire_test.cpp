// The simulator's codec against the byte examples of the datagram layout.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sim_fixture.h"
#include "nuvsim/wire.h"

namespace nuvsim_test {
namespace {

std::string encode(const OutPacket &p) {
  uint8_t buf[kMaxOutDatagram];
  const int n = encodePacket(p, buf, sizeof buf);
  return n < 0 ? std::string() : std::string(reinterpret_cast<char *>(buf), size_t(n));
}

const uint8_t *u8(const std::string &s) { return reinterpret_cast<const uint8_t *>(s.data()); }

TEST(SimWire, LoginOfProtocol7Is43BytesWithLittleEndianSize) {
  OutPacket p;
  p.version = "7.0";
  p.userId = "5551234567";
  formatSequence(0, p.sequence);
  p.command = kLogin;
  p.payload = "abcde:1";
  p.order = SizeOrder::Little;
  const std::string expected = bytes({'7', '.', '0', 0, 0,                                      // version
                                      '5', '5', '5', '1', '2', '3', '4', '5', '6', '7', 0, 0, 0, 0, 0, 0,
                                      '0', '0', '0', 0,                                         // sequence
                                      'a', 0, 0,                                                // command, reserved
                                      0x08, 0, 0, 0,                                            // dataSize
                                      'a', 'b', 'c', 'd', 'e', ':', '1', 0,                     // payload
                                      0, 0, 0});                                                // trailer
  EXPECT_EQ(encode(p), expected);
  EXPECT_EQ(clientPacket("7.0", "5551234567", "000", 'a', "abcde:1"), expected);

  p.version = "6.0";
  p.payload = "abcde";
  const std::string six = encode(p);
  ASSERT_EQ(six.size(), 41u);
  EXPECT_EQ(six.substr(28, 4), bytes({6, 0, 0, 0}));
}

TEST(SimWire, DutyIs36BytesWithSequenceMinusOne) {
  OutPacket p;
  p.version = "7.0";
  p.userId = "5551234567";
  std::memcpy(p.sequence, "-1\0\0", 4);
  p.command = kDuty;
  p.order = SizeOrder::Big;
  const std::string d = encode(p);
  ASSERT_EQ(d.size(), 36u);
  EXPECT_EQ(d.substr(21, 5), bytes({'-', '1', 0, 0, 'q'}));
  EXPECT_EQ(d.substr(28, 4), bytes({0, 0, 0, 1}));  // network order, as a server sends it
  EXPECT_EQ(d.substr(32), bytes({0, 0, 0, 0}));
}

TEST(SimWire, SixteenDigitUserIdHasNoTerminatorAndLongFieldsAreCut) {
  OutPacket p;
  p.version = "7.0.12345";
  p.userId = "12345678901234567890";
  p.command = kDuty;
  const std::string d = encode(p);
  EXPECT_EQ(d.substr(0, 5), "7.0.1");
  EXPECT_EQ(d.substr(5, 16), "1234567890123456");
  InPacket in;
  ASSERT_EQ(decodePacket(u8(d), d.size(), SizeOrder::Big, in), DecodeStatus::Ok);
  EXPECT_STREQ(in.userId, "1234567890123456");
  EXPECT_STREQ(in.version, "7.0.1");
}

TEST(SimWire, EncodeRefusesWhatDoesNotFit) {
  OutPacket p;
  p.command = kMessage;
  std::string big(kMaxOutPayload + 1, 'x');
  p.payload = big;
  uint8_t buf[kMaxOutDatagram];
  EXPECT_EQ(encodePacket(p, buf, sizeof buf), -1);
  p.payload = "hello";
  EXPECT_EQ(encodePacket(p, buf, 40), -1);  // needs 41
  EXPECT_EQ(encodePacket(p, buf, 41), 41);
}

TEST(SimWire, DataSizeIsReadInEitherOrder) {
  struct Case {
    std::string sizeBytes;
    SizeOrder expect;
    SizeOrder readAs;
  } cases[] = {
      {bytes({0, 0, 0, 5}), SizeOrder::Big, SizeOrder::Big},
      {bytes({5, 0, 0, 0}), SizeOrder::Big, SizeOrder::Little},
      {bytes({5, 0, 0, 0}), SizeOrder::Little, SizeOrder::Little},
      {bytes({0, 0, 0, 5}), SizeOrder::Little, SizeOrder::Big},
  };
  for (const Case &c : cases) {
    std::string d = clientPacket("7.0", "1", "000", 'm', "abcd");
    d.replace(28, 4, c.sizeBytes);
    InPacket in;
    EXPECT_EQ(decodePacket(u8(d), d.size(), c.expect, in), DecodeStatus::Ok);
    EXPECT_EQ(in.dataSize, 5u);
    EXPECT_EQ(in.order, c.readAs);
    EXPECT_EQ(in.payload, "abcd");
  }
}

TEST(SimWire, LengthRules) {
  const std::string login6 = clientPacket("6.0", "5551234567", "000", 'a', "abcde");  // 41 bytes
  ASSERT_EQ(login6.size(), 41u);
  struct Case {
    size_t len;
    DecodeStatus status;
  } cases[] = {
      {41, DecodeStatus::Ok},           {40, DecodeStatus::ShortPayload}, {35, DecodeStatus::ShortPayload},
      {32, DecodeStatus::ShortPayload}, {31, DecodeStatus::ShortHeader},  {0, DecodeStatus::ShortHeader},
  };
  for (const Case &c : cases) {
    InPacket in;
    EXPECT_EQ(decodePacket(u8(login6), c.len, SizeOrder::Little, in), c.status) << c.len;
  }
  std::string longer = login6 + "extra";
  InPacket in;
  EXPECT_EQ(decodePacket(u8(longer), longer.size(), SizeOrder::Little, in), DecodeStatus::Ok);
  EXPECT_EQ(in.payload, "abcde");
}

TEST(SimWire, PayloadNeverRunsPastTheDatagram) {
  // A payload without its NUL, and a dataSize that claims far more than arrived.
  std::string d = clientPacket("7.0", "1", "000", 'm', "");
  d.resize(32);
  d += "unterminated";
  d.replace(28, 4, bytes({0xFF, 0xFF, 0xFF, 0xFF}));
  InPacket in;
  EXPECT_EQ(decodePacket(u8(d), d.size(), SizeOrder::Little, in), DecodeStatus::ShortPayload);
  EXPECT_EQ(in.payload, "unterminated");
  EXPECT_FALSE(in.payloadTerminated);
  EXPECT_EQ(in.dataSize, 0xFFFFFFFFu);
}

TEST(SimWire, SequenceCounterAndText) {
  uint8_t seq[4];
  formatSequence(7, seq);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(seq), 4), bytes({'0', '0', '7', 0}));
  EXPECT_EQ(nextSequence(998), 999u);
  EXPECT_EQ(nextSequence(999), 0u);

  struct Case {
    std::string field;
    int value;
    const char *text;
  } cases[] = {
      {bytes({'0', '0', '0', 0}), 0, "000"},  {bytes({'9', '9', '9', 0}), 999, "999"},
      {bytes({'-', '1', 0, 0}), -1, "-1"},   {bytes({'1', '2', 0, 'x'}), 12, "12"},
      {bytes({'x', 0, 0, 0}), -1, "x"},      {bytes({1, 0xFF, 0, 0}), -1, "\\x01\\xFF"},
      {bytes({0xFF, 0xFF, 0xFF, 0xFF}), -1, "\\xFF\\xFF\\xFF\\xFF"},
  };
  for (const Case &c : cases) {
    const auto *f = reinterpret_cast<const uint8_t *>(c.field.data());
    EXPECT_EQ(parseSequence(f), c.value) << c.text;
    char text[17];
    sequenceText(f, text);
    EXPECT_STREQ(text, c.text);
  }
}

TEST(SimWire, CommandNames) {
  EXPECT_STREQ(commandName('a'), "LOGIN");
  EXPECT_STREQ(commandName('j'), "PINCOMING");
  EXPECT_STREQ(commandName('p'), "VALID");
  EXPECT_STREQ(commandName('s'), "CONFIGNEW");
  EXPECT_STREQ(commandName('z'), "?");
  EXPECT_STREQ(commandName('`'), "?");
  EXPECT_STREQ(commandName(char(0x80)), "?");
}

}  // namespace
}  // namespace nuvsim_test

namespace nuvsim_test {
namespace {

// Every cut and a few thousand seeded mutations of real datagrams decode to
// a bounded outcome (run under the sanitizers, an overrun would show).
TEST(SimWire, DamagedDatagramsDecodeWithinTheirBytes) {
  const std::string samples[] = {
      clientPacket("7.0", "5551234567", "000", 'a', "abcde:1"),
      clientPacket("7.0", "5551234567", "-1", 'q', ""),
      clientPacket("7.0", "5551234567", "012", 'e', "42:10:5551234567"),
  };
  uint64_t state = 42;
  auto next = [&state] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return uint32_t(state >> 33);
  };
  for (const std::string &s : samples) {
    for (size_t len = 0; len <= s.size(); ++len) {
      std::vector<uint8_t> copy(s.begin(), s.begin() + long(len));  // exact size: no slack to hide overruns
      InPacket in;
      const DecodeStatus st = decodePacket(copy.data(), copy.size(), SizeOrder::Little, in);
      EXPECT_EQ(st == DecodeStatus::Ok, len == s.size()) << len;
      EXPECT_LE(in.payload.size(), len > kHeaderSize ? len - kHeaderSize : 0);
    }
    for (int round = 0; round < 2000; ++round) {
      std::vector<uint8_t> copy(s.begin(), s.end());
      const int flips = 1 + int(next() % 4);
      for (int f = 0; f < flips; ++f) copy[next() % copy.size()] = uint8_t(next());
      copy.resize(next() % (copy.size() + 1));
      InPacket in;
      const DecodeStatus st = decodePacket(copy.data(), copy.size(), SizeOrder::Little, in);
      if (st == DecodeStatus::Ok) {
        EXPECT_GE(copy.size(), kHeaderSize + in.dataSize + kTrailerSize);
      }
      const char *end = reinterpret_cast<const char *>(copy.data()) + copy.size();
      if (!in.payload.empty()) {
        EXPECT_LE(in.payload.data() + in.payload.size(), end);
      }
    }
  }
}

}  // namespace
}  // namespace nuvsim_test
