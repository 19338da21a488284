#pragma once
// A simulator with servers on loopback and a hand-made client socket that
// talks to them with datagrams built byte by byte in the tests.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nuvsim/sim_socket.h"
#include "nuvsim/simulator.h"

namespace nuvsim_test {

using namespace nuvsim;

constexpr uint32_t kLoopback = 0x7F000001u;

// A client datagram as the client builds it: dataSize little-endian, zero trailer.
inline std::string clientPacket(const char *version, const char *userId, std::string seq, char command,
                                const std::string &payload) {
  std::string d(32, '\0');
  for (size_t i = 0; i < 5 && version[i]; ++i) d[i] = version[i];
  for (size_t i = 0; i < 16 && userId[i]; ++i) d[5 + i] = userId[i];
  seq.resize(4, '\0');
  d.replace(21, 4, seq);
  d[25] = command;
  const uint32_t size = uint32_t(payload.size() + 1);
  for (int i = 0; i < 4; ++i) d[size_t(28 + i)] = char(size >> (8 * i) & 0xFF);
  d += payload;
  d.append(4, '\0');  // payload NUL and the three trailer bytes
  return d;
}

inline std::string bytes(std::initializer_list<int> list) {
  std::string s;
  for (int b : list) s += char(b);
  return s;
}

class Client {
 public:
  Client() {
    netStartup();
    sock_ = udpOpen(kLoopback, 0);
    port_ = udpLocalPort(sock_);
  }
  ~Client() {
    udpClose(sock_);
    netCleanup();
  }
  uint16_t port() const { return port_; }
  SockHandle socket() const { return sock_; }
  void send(uint16_t to, const std::string &d) {
    ASSERT_EQ(udpSendTo(sock_, d.data(), d.size(), kLoopback, to), int(d.size()));
  }
  // Collects datagrams until n have arrived or none comes within the wait.
  struct Datagram {
    std::string bytes;
    uint16_t fromPort;
  };
  std::vector<Datagram> receive(size_t n, int waitMs = 2000) {
    std::vector<Datagram> got;
    std::vector<char> buf(65536);
    while (got.size() < n) {
      bool ready = false;
      if (udpWaitReadable(&sock_, 1, waitMs, &ready) <= 0) break;
      for (;;) {
        uint32_t a = 0;
        uint16_t p = 0;
        const int len = udpRecvFrom(sock_, buf.data(), buf.size(), &a, &p);
        if (len < 0) break;
        got.push_back({std::string(buf.data(), size_t(len)), p});
      }
    }
    return got;
  }
  // What has arrived so far, without waiting.
  std::vector<Datagram> drain() { return receive(1u << 30, 0); }

 private:
  SockHandle sock_ = kNoSocket;
  uint16_t port_ = 0;
};

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    map_ = sim_.addServer("127.0.0.1", 0, ServerKind::Map);
    ASSERT_EQ(map_, 0);
    sim_.configure(kAllServers, [](Behaviour &b) {
      b.firstCall = 0;
      b.service = 2;
      b.signature = "12345";
    });
  }

  // Sends a client datagram to a server and lets the simulator handle it.
  void deliver(const std::string &d, int server = 0) {
    const size_t before = inCount();
    client_.send(sim_.serverPort(server), d);
    for (int i = 0; i < 50 && inCount() == before; ++i) ASSERT_GE(sim_.poll(100), 0);
    ASSERT_GT(inCount(), before) << "the simulator did not see the datagram";
  }

  // Logs the client in (7.0, "5551234567") and drains the answers.
  void login(int server = 0, const char *version = "7.0") {
    deliver(clientPacket(version, "5551234567", "000", 'a', "abcde:1"), server);
    client_.receive(2);
  }

  size_t inCount() const {
    size_t n = 0;
    for (const Record &r : sim_.records()) n += r.dir == Direction::In ? 1 : 0;
    return n;
  }
  std::vector<const Record *> outRecords() const {
    std::vector<const Record *> v;
    for (const Record &r : sim_.records())
      if (r.dir == Direction::Out) v.push_back(&r);
    return v;
  }

  Simulator sim_;
  Client client_;
  int map_ = -1;
};

}  // namespace nuvsim_test
