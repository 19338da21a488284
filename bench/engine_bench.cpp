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
#include "support/engine_rig.h"

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

using nuvtest::Loopback;
using nuvtest::Make;

// One engine logged in to one server; the server socket is drained now and
// then so the acknowledgements never back up.
struct Rig {
  bool started = nuvtest::SocketsStarted();  // before any socket
  NuvProtoLogin *login = new NuvProtoLogin{};
  nuvtest::Peer server;
  PlatSockAddr serverAddr = Loopback(server.port);
  uint16_t enginePort = 0;

  Rig() {
    const NuvProtoParams p = nuvtest::TestParams();
    NuvProtoInit(login, &p);
    enginePort = nuvtest::PortOf(login->local.socket);
    std::string list = "0:1:" + server.Entry();
    NuvProtoClusterLogin(login, list.data());
    MarkLoggedIn(login, &login->sessions[0]);
    FreeAllSlots(login);
  }
  ~Rig() {
    NuvProtoClusterLogoutEx(login, 0);
    UDP_closeSocket(&login->local);
    delete login;
  }
  // Without allocating, unlike Peer::Drain: the counter runs throughout.
  void Drain() {
    uint8_t buf[256];
    PlatSockAddr from{};
    int32_t len = sizeof from;
    while (PlatSockRecvFrom(server.sock, buf, sizeof buf, &from, &len) >= 0) len = sizeof from;
  }
};

// Through the receive seam: the datagram is placed in the receive buffer as
// the socket read would; the acknowledgement really goes out.
void ReceiveSeam(benchmark::State &state, char cmd, int want) {
  const long setupBefore = gAllocations.load();
  Rig rig;
  // The set-up allocates (record, session table): proof that the counter counts.
  state.counters["setup_allocs"] = static_cast<double>(gAllocations.load() - setupBefore);
  const nuvtest::Bytes d = cmd == 'j' ? Make('j', "012", "77:John Smith:5559876543:1999-03-15-1432")
                                      : Make('q', "012", "");
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
  const nuvtest::Bytes d = Make('j', "012", "77:John Smith:5559876543:1999-03-15-1432");
  const PlatSockAddr to = Loopback(rig.enginePort);
  const long before = gAllocations.load();
  long n = 0;
  for (auto _ : state) {
    PlatSockSendTo(rig.server.sock, d.data(), static_cast<int>(d.size()), &to);
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
