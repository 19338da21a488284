#pragma once
// What the session engine's tests, benchmarks and fuzz targets share: server
// datagrams made by hand (their own byte layout, independent of the engine's
// codec) and read back, raw peer sockets on 127.0.0.1 and the usual start
// settings. Nothing here uses the test framework.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/udp_socket.h"
#include "protocol/nuvproto.h"

namespace nuvtest {

using Bytes = std::vector<uint8_t>;

// A received datagram split into the fields the tests look at.
struct Dgram {
  Bytes bytes;
  std::string version;
  std::string userId;
  std::string seq;  // the 4 sequence bytes up to their NUL
  char cmd = 0;
  uint32_t dataSize = 0;  // little-endian as the client sends it
  std::string payload;
};

inline Dgram Split(const Bytes &b) {
  Dgram d;
  d.bytes = b;
  if (b.size() < 32) return d;
  auto text = [&](size_t at, size_t n) {
    size_t len = 0;
    while (len < n && b[at + len]) ++len;
    return std::string(reinterpret_cast<const char *>(&b[at]), len);
  };
  d.version = text(0, 5);
  d.userId = text(5, 16);
  d.seq = text(21, 4);
  d.cmd = static_cast<char>(b[25]);
  d.dataSize = b[28] | (b[29] << 8) | (b[30] << 16) | (static_cast<uint32_t>(b[31]) << 24);
  d.payload = text(32, b.size() - 32);
  return d;
}

// A server datagram made by hand: dataSize in network order unless
// littleEndian; the 4 sequence bytes as given (NUL-padded); the user id
// NUL-padded ("" leaves the field empty).
inline Bytes Make(char cmd, const std::string &seq, const std::string &payload,
                  const char *version = "7.0", bool littleEndian = false,
                  const char *userId = "5551234567") {
  Bytes b(32 + payload.size() + 1 + 3, 0);
  // Copied through iterators: the compiler cannot then mistake the header
  // fields for writes past an empty vector.
  const auto put = [&b](size_t at, const char *text, size_t size) {
    std::copy_n(text, size, b.begin() + static_cast<std::ptrdiff_t>(at));
  };
  put(0, version, std::min<size_t>(std::strlen(version), 5));
  put(5, userId, std::min<size_t>(std::strlen(userId), 16));
  put(21, seq.data(), std::min<size_t>(seq.size(), 4));
  b[25] = static_cast<uint8_t>(cmd);
  const uint32_t n = static_cast<uint32_t>(payload.size() + 1);
  const uint8_t be[4] = {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)};
  const uint8_t le[4] = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
  std::memcpy(&b[28], littleEndian ? le : be, 4);
  std::memcpy(&b[32], payload.data(), payload.size());
  return b;
}

inline PlatSockAddr Loopback(uint16_t port) {
  PlatSockAddr a{};
  a.family = kPlatAfInet;
  a.port[0] = uint8_t(port >> 8);
  a.port[1] = uint8_t(port);
  a.addr[0] = 127;
  a.addr[3] = 1;
  return a;
}

inline uint16_t PortOf(PlatSocket s) {
  PlatSockAddr a{};
  PlatSockLocalAddress(s, &a);
  return static_cast<uint16_t>((a.port[0] << 8) | a.port[1]);
}

// Windows Sockets must be started once per process (the program does it at
// start-up); natively this does nothing.
inline bool SocketsStarted() {
  static const bool started = PlatSockStartup() == 0;
  return started;
}

// One server: a raw non-blocking socket on 127.0.0.1.
struct Peer {
  PlatSocket sock = 0;
  uint16_t port = 0;

  Peer() {
    sock = PlatSockOpenUdp();
    PlatSockAddr a = Loopback(0);
    PlatSockBind(sock, &a);
    PlatSockSetNonBlocking(sock);
    port = PortOf(sock);
  }
  ~Peer() { PlatSockClose(sock); }
  Peer(const Peer &) = delete;
  Peer &operator=(const Peer &) = delete;

  // The peer as an entry of a server list.
  std::string Entry() const { return "127.0.0.1/" + std::to_string(port); }

  void SendTo(uint16_t enginePort, const Bytes &b) const {
    PlatSockAddr to = Loopback(enginePort);
    PlatSockSendTo(sock, b.data(), static_cast<int>(b.size()), &to);
  }

  // The next datagram from the engine. Loopback delivers within the send
  // call, so a datagram sent before this is already queued; the wait only
  // guards against a slow host.
  bool Next(Dgram *d, int waitMs = 2000) {
    if (PlatSockWaitReadable(sock, waitMs) != 1) return false;
    uint8_t buf[2048];
    PlatSockAddr from{};
    int32_t len = sizeof from;
    const int n = PlatSockRecvFrom(sock, buf, sizeof buf, &from, &len);
    if (n < 0) return false;
    *d = Split(Bytes(buf, buf + n));
    return true;
  }
  // Everything queued now, without waiting.
  std::vector<Dgram> Drain() {
    std::vector<Dgram> out;
    Dgram d;
    while (Next(&d, 0)) out.push_back(d);
    return out;
  }
  // The commands of everything queued now, e.g. "pp".
  std::string Commands() {
    std::string s;
    for (const Dgram &d : Drain()) s += d.cmd;
    return s;
  }
};

// While alive, makes the sends or the receives of one socket fail with a
// Windows Sockets error, as the system would; other sockets are untouched.
// times < 0: every call; else only the next `times` calls.
struct SocketFault {
  PlatSocket socket;
  PlatSockCall call;
  int error;
  int times;
  int hits = 0;

  SocketFault(PlatSocket s, PlatSockCall c, int e, int n = -1) : socket(s), call(c), error(e), times(n) {
    PlatSockSetFaultHook(&SocketFault::Hook, this);
  }
  ~SocketFault() { PlatSockSetFaultHook(nullptr, nullptr); }
  SocketFault(const SocketFault &) = delete;
  SocketFault &operator=(const SocketFault &) = delete;

  static int Hook(void *ctx, PlatSocket s, PlatSockCall c) {
    auto *f = static_cast<SocketFault *>(ctx);
    if (s != f->socket || c != f->call || f->times == 0) return 0;
    if (f->times > 0) f->times--;
    f->hits++;
    return f->error;
  }
};

// The start settings the engine's tests and rigs begin from; each sets its
// own fallback callback.
inline NuvProtoParams TestParams() {
  NuvProtoParams p{};
  p.userId = "5551234567";
  p.password = "secret";
  p.version = "7.0";
  p.service = 1;
  p.packetTimeout = 10;
  p.retryInterval = -1;
  p.dutySeconds = 120;
  p.maxResends = 1;
  p.fallbackSeconds = 300;
  p.switchSeconds = 120;
  p.loginValidSeconds = 30;
  return p;
}

}  // namespace nuvtest
