#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "protocol/packet.h"
#include "protocol/trace.h"
#include "protocol/udp.h"
#include "trace_capture.h"

namespace {

}  // namespace

TEST(TracePacketLine, SentLoginLine) {
  TraceCapture trace;
  uint8_t p[kPacketSlotSize];
  ASSERT_EQ(43, NuvPacketBuild(p, sizeof p, "7.0", "2045553636", NuvPacketSequenceField(0),
                               CMD_LOGIN, "abcde:1"));
  const PlatSockAddr to = Address(192, 0, 2, 1, 10002);
  Debug_NuvProtoPacket(p, &to, 0);
  EXPECT_EQ(
      "-> 192.0.2.1:10002       7.0 2045553636      000 LOGIN         0x0000 0x0008 \"abcde:1\"\r\n",
      trace.text);
  EXPECT_EQ(1, trace.packetStatus);
}

TEST(TracePacketLine, ReceivedLinesPadAndNameUnknownLetters) {
  struct Case {
    char command;
    const char *payload;
    uint32_t dataSize;
    const char *expect;
  } cases[] = {
      {'z', "", 1,
       "10.1.2.3:4000 ->         7.0 2045553636      012 **INVALID**   0x0000 0x0001 \"\"\r\n"},
      // dataSize - 1 is the payload's minimum width: a short text is padded on the left.
      {CMD_MESSAGE, "hi", 6,
       "10.1.2.3:4000 ->         7.0 2045553636      012 MESSAGE       0x0000 0x0006 \"   hi\"\r\n"},
      // A payload without its NUL is printed no further than dataSize - 1 characters.
      {CMD_PINCOMING, "1:ABCDEFGH", 4,
       "10.1.2.3:4000 ->         7.0 2045553636      012 PINCOMING     0x0000 0x0004 \"1:A\"\r\n"},
      {CMD_DUTY, "", 0,
       "10.1.2.3:4000 ->         7.0 2045553636      012 DUTY          0x0000 0x0000 \"\"\r\n"},
  };
  const PlatSockAddr from = Address(10, 1, 2, 3, 4000);
  for (const Case &c : cases) {
    TraceCapture trace;
    // The packet holds its 32 + dataSize bytes, as every traced packet does.
    std::vector<uint8_t> p(32 + std::max<size_t>(std::strlen(c.payload), c.dataSize), 0);
    std::memcpy(p.data(), "7.0", 3);
    std::memcpy(p.data() + 5, "2045553636", 10);
    std::memcpy(p.data() + 21, "012", 3);
    p[25] = static_cast<uint8_t>(c.command);
    NuvPacketSetDataSize(p.data(), c.dataSize);
    std::memcpy(p.data() + 32, c.payload, std::strlen(c.payload));
    Debug_NuvProtoPacket(p.data(), &from, 1);
    EXPECT_EQ(c.expect, trace.text) << c.command;
  }
}

TEST(TracePacketLine, FullWidthFieldsWithoutTerminators) {
  uint8_t p[40];
  std::memset(p, 'V', sizeof p);
  std::memcpy(p + 5, "1234567890123456", 16);
  std::memcpy(p + 21, "9999", 4);
  p[25] = CMD_SUCCESS;
  p[26] = 0x34;
  p[27] = 0x12;
  NuvPacketSetDataSize(p, 5);
  const PlatSockAddr from = Address(1, 2, 3, 4, 5);
  char line[256];
  Debug_FormatPacketLine(p, &from, 1, line, sizeof line);
  EXPECT_STREQ(
      "1.2.3.4:5 ->             VVVVV 1234567890123456 9999 SUCCESS       0x1234 0x0005 \"VVVV\"\r\n",
      line);
}

TEST(TraceTexts, ProtocolErrorNamesAndSocketErrorName) {
  TraceCapture trace;
  for (int status : {2, 3, 4, 5, 6, 7, 8, 0, 1, 9, 0x60000001}) Debug_MessageListProtoErr(status);
  EXPECT_EQ(
      "EMISC\r\nEDROP\r\nESESS\r\nETYPE\r\nESOCK\r\nEMATCH\r\nECONTENT\r\n"
      "Unknown Error\r\nUnknown Error\r\nUnknown Error\r\nUnknown Error\r\n",
      trace.text);

  trace.text.clear();
  Debug_HandleLastWSAError();
  EXPECT_EQ(GetWSAErrorString(PlatSockLastError()), trace.text);
  EXPECT_EQ(std::string::npos, trace.text.find('\n'));
}

TEST(TraceTexts, StatusRefreshesReachTheWindowWithTheLoginRecord) {
  TraceCapture trace;
  const NuvProtoLogin *login = reinterpret_cast<const NuvProtoLogin *>(&trace);
  Debug_NuvProtoTimerTick(login);
  Debug_NuvEventConfigChange(login);
  EXPECT_EQ(1, trace.tickStatus);
  EXPECT_EQ(1, trace.configStatus);
  EXPECT_EQ(login, trace.lastLogin);
}

TEST(TraceTexts, NothingHappensWhileTheWindowIsClosed) {
  TraceCapture trace;
  trace.Close();
  ASSERT_FALSE(Debug_IsOpen());
  uint8_t p[kPacketSlotSize];
  NuvPacketBuild(p, sizeof p, "7.0", "1", kDutySequence, CMD_DUTY, "");
  const PlatSockAddr to = Address(192, 0, 2, 1, 1);
  Debug_MessageListString("lost\r\n");
  Debug_NuvProtoPacket(p, &to, 0);
  Debug_HandleLastWSAError();
  Debug_MessageListProtoErr(2);
  Debug_NuvProtoTimerTick(nullptr);
  Debug_NuvEventConfigChange(nullptr);
  EXPECT_EQ("", trace.text);
  EXPECT_EQ(0, trace.packetStatus + trace.tickStatus + trace.configStatus);
}

TEST(TraceTexts, NullTextIsIgnored) {
  TraceCapture trace;
  Debug_MessageListString(nullptr);
  Debug_MessageListString("");
  EXPECT_EQ("", trace.text);
}
