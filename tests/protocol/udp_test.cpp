#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "protocol/packet.h"
#include "protocol/udp.h"
#include "support/engine_rig.h"
#include "trace_capture.h"

namespace {

// Windows Sockets must be started before any socket call (Wine included).
class SocketEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(0, PlatSockStartup()); }
  void TearDown() override { PlatSockCleanup(); }
};
const auto *const socketEnvironment = ::testing::AddGlobalTestEnvironment(new SocketEnvironment);

uint32_t AddrWord(const PlatSockAddr &a) {
  uint32_t v;
  std::memcpy(&v, a.addr, 4);
  return v;
}

// Two sockets on the loopback interface, each knowing the other as remote.
class LoopbackPair : public ::testing::Test {
 protected:
  UdpLocal server{};
  UdpLocal client{};
  UdpRemote toServer{};
  UdpRemote toClient{};

  void SetUp() override {
    ASSERT_EQ(0, UDP_openSocketLocal(&server, "127.0.0.1", 0));
    ASSERT_EQ(0, UDP_openSocketLocal(&client, "127.0.0.1", 0));
    ASSERT_EQ(0, PlatSockSetNonBlocking(server.socket));
    ASSERT_EQ(0, UDP_specifySocketRemote(&toServer, "127.0.0.1", PortOf(server)));
    ASSERT_EQ(0, UDP_specifySocketRemote(&toClient, "127.0.0.1", PortOf(client)));
  }
  void TearDown() override {
    UDP_closeSocket(&server);
    UDP_closeSocket(&client);
  }
  static uint16_t PortOf(const UdpLocal &l) {
    PlatSockAddr a{};
    EXPECT_EQ(0, PlatSockLocalAddress(l.socket, &a));
    return UdpAddressPort(a);
  }
  // Waits for the datagram in flight (not for time to pass), then reads it.
  int Receive(void *buf, int size) {
    EXPECT_EQ(1, PlatSockWaitReadable(server.socket, 5000));
    return UDP_recvPacket(&server, buf, size);
  }
};

}  // namespace

TEST(UdpRemoteAddress, DottedAddressFillsTheSocketAddress) {
  TraceCapture trace;
  UdpRemote r;
  std::memset(&r, 0x5A, sizeof r);
  ASSERT_EQ(0, UDP_specifySocketRemote(&r, "192.0.2.7", 10002));
  EXPECT_STREQ("192.0.2.7", r.host);
  EXPECT_EQ(10002, r.port);
  const uint8_t expect[16] = {2, 0, 0x27, 0x12, 192, 0, 2, 7, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(0, std::memcmp(expect, &r.address, 16));
  EXPECT_EQ("", trace.text);  // no lookup for dotted text
}

TEST(UdpRemoteAddress, UnusableAddressesAreRejected) {
  struct Case {
    const char *host;
    const char *trace;
  } cases[] = {
      {nullptr, ""},
      {"", ""},
      {"0.0.0.0", ""},
      {"255.255.255.255", ""},
      {"1host.example", ""},  // begins with a digit: parsed, never looked up
      {"192.0.2.300", ""},
      {"no-such-host.invalid", "DNS Lookup on \"no-such-host.invalid\"\r\n"},
  };
  for (const Case &c : cases) {
    TraceCapture trace;
    UdpRemote r{};
    EXPECT_EQ(1, UDP_specifySocketRemote(&r, c.host, 10002)) << (c.host ? c.host : "(none)");
    EXPECT_EQ(c.trace, trace.text);
  }
  EXPECT_EQ(1, UDP_specifySocketRemote(nullptr, "192.0.2.7", 1));
}

TEST(UdpRemoteAddress, HostNameIsLookedUpAndTraced) {
  TraceCapture trace;
  UdpRemote r{};
  ASSERT_EQ(0, UDP_specifySocketRemote(&r, "localhost", 10002));
  EXPECT_EQ("DNS Lookup on \"localhost\"\r\n", trace.text);
  EXPECT_EQ(2, r.address.family);
  EXPECT_EQ(10002, UdpAddressPort(r.address));
  EXPECT_EQ(127, r.address.addr[0]);

  PlatSockAddr a;
  std::memset(&a, 0x5A, sizeof a);
  ASSERT_EQ(0, UDP_gethostbyname("localhost", &a));
  EXPECT_EQ(0, UdpAddressPort(a));
  const uint8_t zero[8] = {};
  EXPECT_EQ(0, std::memcmp(zero, a.zero, 8));
}

TEST(UdpRemoteAddress, OverlongHostTextIsCutAndTerminated) {
  const std::string longName(300, 'h');
  UdpRemote r{};
  EXPECT_EQ(1, UDP_specifySocketRemote(&r, longName.c_str(), 1));
  EXPECT_EQ(127u, std::strlen(r.host));
  UdpLocal l{};
  UDP_openSocketLocal(&l, longName.c_str(), 0);
  EXPECT_EQ(127u, std::strlen(l.host));
  UDP_closeSocket(&l);
}

TEST(UdpLocalSocket, OpensOnAnyAddressAndCloses) {
  UdpLocal l;
  std::memset(&l, 0x5A, sizeof l);
  ASSERT_EQ(0, UDP_openSocketLocal(&l, nullptr, 0));
  EXPECT_NE(0u, l.socket);
  EXPECT_STREQ("", l.host);
  EXPECT_EQ(2, l.bound.family);
  EXPECT_EQ(0u, AddrWord(l.bound));
  EXPECT_EQ(0, UdpAddressPort(l.bound));
  UDP_closeSocket(&l);
  EXPECT_EQ(0u, l.socket);
  UDP_closeSocket(nullptr);
  EXPECT_EQ(-1, UDP_openSocketLocal(nullptr, nullptr, 0));
}

TEST(UdpLocalSocket, BindFailureClosesTheSocket) {
  UdpLocal first{};
  ASSERT_EQ(0, UDP_openSocketLocal(&first, "127.0.0.1", 0));
  PlatSockAddr a{};
  ASSERT_EQ(0, PlatSockLocalAddress(first.socket, &a));

  UdpLocal second{};
  EXPECT_EQ(-2, UDP_openSocketLocal(&second, "127.0.0.1", UdpAddressPort(a)));
  EXPECT_EQ(0u, second.socket);
  EXPECT_EQ(UdpAddressPort(a), second.port);
  UDP_closeSocket(&first);
}

TEST_F(LoopbackPair, DatagramTravelsWithItsSource) {
  uint8_t out[kPacketSlotSize];
  const int n = NuvPacketBuild(out, sizeof out, "7.0", "2045553636", NuvPacketSequenceField(0),
                               CMD_LOGIN, "abcde:1");
  ASSERT_EQ(43, UDP_sendPacket(&client, &toServer, out, n));

  uint8_t in[kPacketReceiveSize];
  ASSERT_EQ(43, Receive(in, sizeof in));
  EXPECT_EQ(0, std::memcmp(out, in, 43));
  EXPECT_EQ(16, server.sourceLength);
  EXPECT_EQ(2, server.source.family);
  EXPECT_TRUE(UdpSameEndpoint(server.source, toClient.address));
}

TEST_F(LoopbackPair, NoDatagramWaitingReadsZero) {
  uint8_t in[64];
  EXPECT_EQ(0, UDP_recvPacket(&server, in, sizeof in));
  EXPECT_EQ(kWsaEWouldBlock, PlatSockLastError());
  EXPECT_STREQ("WSAEWOULDBLOCK", GetWSAErrorString(PlatSockLastError()));
}

TEST_F(LoopbackPair, EmptyDatagramIsAReadError) {
  ASSERT_EQ(0, UDP_sendPacket(&client, &toServer, "", 0));
  uint8_t in[64];
  EXPECT_EQ(-1, Receive(in, sizeof in));
}

TEST_F(LoopbackPair, ClosedSocketFailsWithoutCrashing) {
  UDP_closeSocket(&client);
  EXPECT_EQ(-1, UDP_sendPacket(&client, &toServer, "x", 1));
  uint8_t in[8];
  EXPECT_EQ(-1, UDP_recvPacket(&client, in, sizeof in));
  EXPECT_EQ(-1, UDP_sendPacket(nullptr, &toServer, "x", 1));
}

TEST_F(LoopbackPair, ClosedPortErrorReadsAsNothingWaiting) {
  // Windows reports an earlier datagram's ICMP "port unreachable" as the next
  // read's error; only these two codes are passed over.
  struct Case {
    int error;
    int result;
    const char *trace;
  } cases[] = {
      {kWsaEConnReset, 0, "Warning: Ignored receive error WSAECONNRESET\r\n"},
      {kWsaEConnRefused, 0, "Warning: Ignored receive error WSAECONNREFUSED\r\n"},
      {10050, -1, ""},  // WSAENETDOWN stays a read error
  };
  for (const Case &c : cases) {
    TraceCapture trace;
    uint8_t in[64];
    {
      nuvtest::SocketFault fault(server.socket, PLAT_SOCK_RECV, c.error, 1);
      EXPECT_EQ(c.result, UDP_recvPacket(&server, in, sizeof in)) << c.error;
      EXPECT_EQ(1, fault.hits);
    }
    EXPECT_EQ(c.trace, trace.text);
    // The socket carries on with the next datagram.
    ASSERT_EQ(3, UDP_sendPacket(&client, &toServer, "abc", 3));
    EXPECT_EQ(3, Receive(in, sizeof in)) << c.error;
  }
}

TEST_F(LoopbackPair, DatagramLongerThanTheBufferIsRefusedWhole) {
  constexpr int kSize = 10240;
  std::vector<uint8_t> out(kSize + 1, 'L');
  std::vector<uint8_t> in(kSize + 64, 0xEE);
  ASSERT_EQ(kSize + 1, UDP_sendPacket(&client, &toServer, out.data(), kSize + 1));
  // Passed over as nothing read; the platform reports why.
  EXPECT_EQ(0, Receive(in.data(), kSize));
  EXPECT_EQ(kWsaEMsgSize, PlatSockLastError());
  for (int i = kSize; i < kSize + 64; ++i) ASSERT_EQ(0xEE, in[static_cast<size_t>(i)]) << i;
  // Consumed: nothing of it is left for the next read.
  EXPECT_EQ(0, UDP_recvPacket(&server, in.data(), kSize));

  // A datagram that just fits is read whole.
  ASSERT_EQ(kSize, UDP_sendPacket(&client, &toServer, out.data(), kSize));
  EXPECT_EQ(kSize, Receive(in.data(), kSize));
  EXPECT_EQ(0xEE, in[kSize]);
}

TEST(UdpErrorNames, WindowsSocketsCodes) {
  struct Case {
    int code;
    const char *name;
  } cases[] = {
      {10035, "WSAEWOULDBLOCK"},     {10004, "WSAEINTR"},          {10048, "WSAEADDRINUSE"},
      {10065, "WSAEHOSTUNREACH"},    {10091, "WSASYSNOTREADY"},    {10093, "WSANOTINITIALISED"},
      {10101, "WSAEDISCON"},         {11001, "WSAHOST_NOT_FOUND"}, {11004, "WSANO_DATA"},
      {0, "Unknown Error Code"},     {10066, "Unknown Error Code"}, {-1, "Unknown Error Code"},
      {10000, "Unknown Error Code"}, {11005, "Unknown Error Code"},
  };
  for (const Case &c : cases) EXPECT_STREQ(c.name, GetWSAErrorString(c.code)) << c.code;
}
