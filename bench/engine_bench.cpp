// Cost of one received datagram through the session engine's receive path:
// a PINCOMING (acknowledged with VALID and handed over) and a server DUTY
// (acknowledged only), through the receive seam and through a real loopback
// read. Every benchmark also counts the heap allocations made while it runs
// ("allocs", expected 0): this binary replaces the C allocator with counting
// versions, which also see every operator new (libstdc++ allocates through
// malloc).

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/udp_socket.h"
#include "protocol/nuvproto.h"

// ------------------------------------------------------ allocation counter

namespace {
std::atomic<long> gAllocations{0};
}  // namespace

#if defined(__GLIBC__)
extern "C" void *__libc_malloc(size_t);
extern "C" void *__libc_calloc(size_t, size_t);
extern "C" void *__libc_realloc(void *, size_t);
extern "C" void *malloc(size_t n) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_malloc(n);
}
extern "C" void *calloc(size_t n, size_t m) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_calloc(n, m);
}
extern "C" void *realloc(void *p, size_t n) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return __libc_realloc(p, n);
}
#endif

// ------------------------------------------------------------------ rig

namespace {

PlatSockAddr Loopback(uint16_t port) {
  PlatSockAddr a{};
  a.family = kPlatAfInet;
  a.port[0] = uint8_t(port >> 8);
  a.port[1] = uint8_t(port);
  a.addr[0] = 127;
  a.addr[3] = 1;
  return a;
}

uint16_t PortOf(PlatSocket s) {
  PlatSockAddr a{};
  PlatSockLocalAddress(s, &a);
  return uint16_t((a.port[0] << 8) | a.port[1]);
}

std::string Datagram(char cmd, const char *seq, const char *payload) {
  const size_t n = std::strlen(payload) + 1;
  std::string d(32 + n + 3, '\0');
  std::memcpy(&d[0], "7.0", 3);
  std::memcpy(&d[5], "5551234567", 10);
  std::memcpy(&d[21], seq, std::strlen(seq));
  d[25] = cmd;
  d[31] = static_cast<char>(n);  // network order
  std::memcpy(&d[32], payload, n - 1);
  return d;
}

// One engine logged in to one server; the server socket is drained now and
// then so the acknowledgements never back up.
struct Rig {
  NuvProtoLogin *login = new NuvProtoLogin{};
  PlatSocket server = 0;
  PlatSockAddr serverAddr{};
  uint16_t enginePort = 0;

  Rig() {
    PlatSockStartup();
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
    NuvProtoInit(login, &p);
    enginePort = PortOf(login->local.socket);
    server = PlatSockOpenUdp();
    PlatSockAddr a = Loopback(0);
    PlatSockBind(server, &a);
    PlatSockSetNonBlocking(server);
    serverAddr = Loopback(PortOf(server));
    std::string list = "0:1:127.0.0.1/" + std::to_string(PortOf(server));
    NuvProtoClusterLogin(login, list.data());
    MarkLoggedIn(login, &login->sessions[0]);
    FreeAllSlots(login);
  }
  ~Rig() {
    NuvProtoClusterLogoutEx(login, 0);
    UDP_closeSocket(&login->local);
    PlatSockClose(server);
    delete login;
  }
  void Drain() {
    uint8_t buf[256];
    PlatSockAddr from{};
    int32_t len = sizeof from;
    while (PlatSockRecvFrom(server, buf, sizeof buf, &from, &len) >= 0) len = sizeof from;
  }
};

// Through the receive seam: the datagram is placed in the receive buffer as
// the socket read would; the acknowledgement really goes out.
void ReceiveSeam(benchmark::State &state, char cmd, int want) {
  const long setupBefore = gAllocations.load();
  Rig rig;
  // The set-up allocates (record, session table): proof that the counter counts.
  state.counters["setup_allocs"] = static_cast<double>(gAllocations.load() - setupBefore);
  const std::string d = cmd == 'j' ? Datagram('j', "012", "77:John Smith:5559876543:1999-03-15-1432")
                                   : Datagram('q', "012", "");
  const long before = gAllocations.load();
  long n = 0;
  for (auto _ : state) {
    std::memcpy(rig.login->receiveBuffer, d.data(), d.size());
    rig.login->local.source = rig.serverAddr;
    NuvProtoSession *session = nullptr;
    uint8_t *packet = nullptr;
    const int rc = NuvProtoHandleDatagram(rig.login, static_cast<int>(d.size()), &session, &packet);
    if (rc != want) state.SkipWithError("unexpected status");
    benchmark::DoNotOptimize(packet);
    if ((++n & 255) == 0) {
      state.PauseTiming();
      rig.Drain();
      state.ResumeTiming();
    }
  }
  state.counters["allocs"] = static_cast<double>(gAllocations.load() - before);
}

void BM_PincomingWithValid_Seam(benchmark::State &state) { ReceiveSeam(state, 'j', 0); }
void BM_ServerDuty_Seam(benchmark::State &state) { ReceiveSeam(state, 'q', 1); }

// The whole path: the server sends, the engine reads it from its socket,
// handles it and acknowledges (the server's send is inside the timing).
void BM_PincomingWithValid_Loopback(benchmark::State &state) {
  Rig rig;
  const std::string d = Datagram('j', "012", "77:John Smith:5559876543:1999-03-15-1432");
  const PlatSockAddr to = Loopback(rig.enginePort);
  const long before = gAllocations.load();
  long n = 0;
  for (auto _ : state) {
    PlatSockSendTo(rig.server, d.data(), static_cast<int>(d.size()), &to);
    NuvProtoSession *session = nullptr;
    uint8_t *packet = nullptr;
    if (NuvProtoRecvPacket(rig.login, &session, &packet) != 0) state.SkipWithError("not delivered");
    if ((++n & 255) == 0) {
      state.PauseTiming();
      rig.Drain();
      state.ResumeTiming();
    }
  }
  state.counters["allocs"] = static_cast<double>(gAllocations.load() - before);
}

// One clock tick of a logged-in session with nothing due.
void BM_ClockTickIdle(benchmark::State &state) {
  Rig rig;
  const long before = gAllocations.load();
  for (auto _ : state) {
    rig.login->sessions[0].silence = 0;
    benchmark::DoNotOptimize(NuvProtoTimerTick(rig.login));
  }
  state.counters["allocs"] = static_cast<double>(gAllocations.load() - before);
}

}  // namespace

BENCHMARK(BM_PincomingWithValid_Seam);
BENCHMARK(BM_ServerDuty_Seam);
BENCHMARK(BM_PincomingWithValid_Loopback);
BENCHMARK(BM_ClockTickIdle);
