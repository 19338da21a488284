#pragma once
// nuvsim: a cluster of call-notification servers in one process, for tests,
// demonstrations and providers who want to try a client without their
// production servers. Each server is a MAP or a Redirect server on its own
// UDP address and port. The simulator never sleeps and never reads a clock:
// poll() handles waiting datagrams, advanceMs() moves its time forward and
// fires the resend and delay timers. The command-line program drives both
// with real time; tests drive them step by step.

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim_socket.h"
#include "wire.h"

namespace nuvsim {

enum class ServerKind { Map, Redirect };
// How a server answers a LOGIN or a call decision.
enum class Reply { Success, Fail, Silent };
enum class Direction { In, Out };
// What happened to a recorded datagram.
enum class Fate {
  Normal,
  Dropped,     // fault injection: lost
  Duplicate,   // fault injection: the second copy
  Delayed,     // fault injection: held back, then passed on
  Reordered,   // fault injection: passed on after the datagram that followed it
  Silenced,    // the server is silent: not sent, or received and ignored
  SendFailed,  // the socket refused it
};

// Per-server behaviour, changed at any time by the caller.
struct Behaviour {
  Reply login = Reply::Success;
  Reply decision = Reply::Success;   // PACCEPT, PACKN, PIGNORE, PACKN2
  bool invalid = false;      // answer INVALID instead of VALID and ignore the packet
  bool silent = false;       // send nothing, handle nothing (still recorded)
  bool wrongPort = false;    // send from a second socket with another port
  int firstCall = 0;
  int service = 2;
  std::string signature = "NUVSIM";
  std::string version;       // version text of sent packets; empty: the client's own
  SizeOrder sizeOrder = SizeOrder::Big;   // dataSize order of sent packets
  bool redirectPush = true;  // a Redirect server pushes the MAP servers after a login
  int resendMs = 10000;      // interval of resends of unacknowledged packets
  int maxResends = 5;        // resends per packet before the server gives up
};

// Fault injection: each share is a percentage of the datagrams of the chosen
// directions, decided by a seeded generator, so a run repeats exactly.
struct Faults {
  int dropPercent = 0;
  int dupPercent = 0;
  int delayPercent = 0;
  int reorderPercent = 0;
  int delayMs = 2000;        // hold time of delayed (and unpaired reordered) datagrams
  bool incoming = true;
  bool outgoing = true;
};

// One datagram as it crossed (or failed to cross) a server's socket.
struct Record {
  uint64_t index = 0;        // running number since start (survives clearRecords)
  int64_t timeMs = 0;        // simulator time
  Direction dir = Direction::In;
  int server = 0;
  uint32_t peerAddr = 0;     // the client's IPv4 address, host order
  uint16_t peerPort = 0;
  uint16_t localPort = 0;    // the server socket's port (differs with wrongPort)
  Fate fate = Fate::Normal;
  std::string bytes;         // the whole datagram
  std::string note;          // why it was sent: "ack", "resend", "raw", ...
  // Decoded fields; meaningful when status is not ShortHeader.
  DecodeStatus status = DecodeStatus::ShortHeader;
  char version[kLenVersion + 1] = {};
  char userId[kLenUserId + 1] = {};
  uint8_t sequenceBytes[kLenSequence] = {};
  char sequence[17] = {};    // readable form of the sequence field
  char command = 0;
  const char *name = "?";
  uint32_t dataSize = 0;
  SizeOrder sizeOrder = SizeOrder::Little;
  std::string payload;       // up to its NUL, within the datagram
  bool payloadTerminated = false;
};

// A call decision a server has acted on: a resent copy (same sequence,
// command and payload) is acknowledged again but not acted on twice.
constexpr int kDecisionMemory = 16;
constexpr size_t kDecisionPayloadMax = 96;
struct DecisionSeen {
  int sequence = -1;
  char command = 0;
  char payload[kDecisionPayloadMax] = {};
};

// A client as one server knows it (a client uses one socket for the whole
// cluster, so address and port identify it).
struct Peer {
  uint32_t addr = 0;
  uint16_t port = 0;
  char version[kLenVersion + 1] = {};
  char userId[kLenUserId + 1] = {};
  bool loggedIn = false;
  unsigned nextSequence = 0;   // of the server's numbered packets to this client
  // The decisions acted on since the client's last LOGIN, the latest
  // kDecisionMemory of them (a ring).
  std::array<DecisionSeen, kDecisionMemory> decisions{};
  int decisionNext = 0;
};

// What the servers counted: decisions acted on and resent copies answered
// with VALID alone, in total and per command (PIGNORE, PACKN, PACCEPT, PACKN2).
struct Stats {
  uint64_t decisions = 0;
  uint64_t repeats = 0;
  uint64_t decisionsBy[4] = {};   // index: decisionIndex(command)
  uint64_t repeatsBy[4] = {};
  uint64_t floodSent = 0;         // datagrams of floods sent so far
  // Datagrams that arrived at a server's second socket: a client's answers
  // to a sender it does not know (a foreign flood) land there.
  uint64_t secondPortIn = 0;
};
// 0..3 for PIGNORE, PACKN, PACCEPT, PACKN2; -1 for any other letter.
int decisionIndex(char command);
// "decisions=N repeats=M PIGNORE=a/b PACKN=... PACCEPT=... PACKN2=... flood=F
// second-port-in=K" (per command: acted on / repeats).
std::string formatStats(const Stats &s);

// What a flood sends, at a steady rate, to every client a server knows.
enum class FloodKind {
  Calls,      // valid PINCOMINGs with fresh sequence numbers, not kept for resends
  Short,      // datagrams shorter than a header
  Letters,    // well-formed datagrams with letters outside 'a' to 's'
  Oversize,   // datagrams larger than any receive buffer of the client (12000 bytes)
  Mixed,      // the four above in turn
  Empty,      // datagrams of no bytes at all
};
bool parseFloodKind(std::string_view text, FloodKind *kind);

constexpr int kMaxServers = 16;
constexpr int kMaxPeers = 32;
constexpr int kMaxPending = 64;
constexpr size_t kDefaultRecordLimit = 100000;
constexpr int kAllServers = -1;

// Results of the operations below (negative are failures).
enum SimStatus : int {
  kSimOk = 0,
  kSimBadArgument = -1,
  kSimSocketError = -2,
  kSimNoSlot = -3,        // all pending slots in use: the packet was not sent
  kSimTooLong = -4,
};

class Simulator {
 public:
  Simulator();
  ~Simulator();
  Simulator(const Simulator &) = delete;
  Simulator &operator=(const Simulator &) = delete;

  // Opens a server on addr:port (port 0: any free one, see serverPort), at
  // most kMaxServers. Returns its index or a negative status.
  int addServer(const char *addr, uint16_t port, ServerKind kind);
  int serverCount() const { return int(servers_.size()); }
  ServerKind serverKind(int server) const;
  uint32_t serverAddr(int server) const;
  uint16_t serverPort(int server) const;
  uint16_t serverWrongPort(int server) const;
  // The behaviour of one server (of no server for a bad index: changing it is harmless).
  Behaviour &behaviour(int server);
  // Applies f to the behaviour of one server, or of all with kAllServers.
  void configure(int server, const std::function<void(Behaviour &)> &f);

  Faults &faults() { return faults_; }
  void seed(uint64_t s) { rng_ = s; }

  // Waits at most timeoutMs for datagrams and handles all that wait.
  // Returns the number handled, or kSimSocketError.
  int poll(int timeoutMs);
  // Moves simulator time forward, firing due resends and held datagrams in order.
  void advanceMs(int64_t ms);
  int64_t nowMs() const { return now_; }

  // Operator commands. server is an index or kAllServers. Each returns the
  // number of datagrams sent (0 when no client qualifies) or a negative status.
  // Calls, hang-ups and messages go once to each logged-in client, from the
  // first addressed server it is logged in to.
  int sendCall(int server, int callId, std::string_view name, std::string_view number,
               std::string_view stamp);
  int sendDisconnect(int server, std::string_view text);
  int sendMessage(int server, std::string_view text);
  // These go from every addressed server to each of its logged-in clients.
  int sendRelogin(int server);
  int sendResend(int server);
  int sendDuty(int server);
  int sendConfig(int server, std::string_view payload);   // CONFIGNEW
  int sendNumbered(int server, char command, std::string_view payload);
  // Raw bytes from every addressed server to each client it knows.
  int sendRaw(int server, const uint8_t *bytes, size_t len);
  // One numbered packet to one client (known or not). Returns 1 or a status.
  int sendTo(int server, uint32_t addr, uint16_t port, char command, std::string_view payload);

  // A paced burst: count datagrams of kind from the server to each client it
  // knows, ratePerSecond of them per second of simulator time, sent as
  // advanceMs moves time (the first at once). Replaces a running flood.
  // Flood datagrams are recorded only when recordFlood is set (the default
  // is off, so that a long flood does not crowd out the record).
  // With foreign set the datagrams leave from the server's second socket, a
  // sender the clients do not know (whatever wrongport says).
  int startFlood(int server, FloodKind kind, uint64_t count, uint64_t ratePerSecond,
                 bool foreign = false);
  bool flooding() const { return flood_.left > 0; }
  void setRecordFlood(bool on) { recordFlood_ = on; }

  const Stats &stats() const { return stats_; }

  // The payload of an "ips:" push naming the MAP servers: "ips:n:a/p:..."
  std::string mapServerList() const;

  int peerCount(int server) const;
  const Peer *peer(int server, int i) const;
  int pendingCount(int server) const;

  const std::deque<Record> &records() const { return records_; }
  void clearRecords() { records_.clear(); }
  void setRecordLimit(size_t n) { recordLimit_ = n ? n : 1; }
  // Called for every new record (the command-line program prints them).
  void setObserver(std::function<void(const Record &)> f) { observer_ = std::move(f); }

 private:
  struct Pending {
    bool used = false;
    int peer = 0;
    int sequence = 0;
    int64_t dueMs = 0;
    int resends = 0;
    size_t len = 0;
    std::array<uint8_t, kMaxOutDatagram> bytes{};
  };
  struct Server {
    ServerKind kind = ServerKind::Map;
    uint32_t addr = 0;
    uint16_t port = 0;
    SockHandle sock = kNoSocket;
    SockHandle altSock = kNoSocket;   // the "wrong port"
    uint16_t altPort = 0;
    Behaviour behaviour;
    int peerCount = 0;
    std::array<Peer, kMaxPeers> peers{};
    std::array<Pending, kMaxPending> pending{};
  };
  // A datagram held back by fault injection.
  struct Held {
    Direction dir;
    int server;
    uint16_t localPort;
    uint32_t addr;
    uint16_t port;
    std::string bytes;
    std::string note;
    int64_t dueMs;
    Fate fate;
  };

  bool valid(int server) const { return server >= 0 && server < serverCount(); }
  int findPeer(Server &s, uint32_t addr, uint16_t port, bool create);
  bool roll(int percent);
  void addRecord(Direction dir, int server, uint32_t addr, uint16_t port, uint16_t localPort,
                 Fate fate, const uint8_t *data, size_t len, std::string_view note);
  // Outgoing datagrams pass through the faults, then the socket.
  int transmit(int server, uint32_t addr, uint16_t port, const uint8_t *data, size_t len,
               std::string_view note);
  void wireSend(int server, uint32_t addr, uint16_t port, const uint8_t *data, size_t len,
                std::string_view note, Fate fate);
  // Incoming datagrams pass through the faults, then the handler.
  void receive(int server, uint16_t localPort, uint32_t addr, uint16_t port, const uint8_t *data,
               size_t len);
  void handle(int server, uint16_t localPort, uint32_t addr, uint16_t port, const uint8_t *data,
              size_t len, Fate fate);
  void releaseReordered(Direction dir, int server);
  void release(Held h);
  int sendAck(int server, int peer, const uint8_t seq[kLenSequence], char command);
  int sendPeer(int server, int peer, char command, std::string_view payload, std::string_view note);
  void reply(int server, int peer, Reply r, std::string_view successPayload, std::string_view note);
  int perClient(int server, char command, std::string_view payload);
  int perServer(int server, char command, std::string_view payload);
  int64_t nextDue() const;
  // A decision from a peer: true when it repeats one already acted on.
  bool isRepeat(const Peer &peer, int sequence, char command, std::string_view payload) const;
  void remember(Peer &peer, int sequence, char command, std::string_view payload);
  void floodStep();
  void floodOne(int server, int peer, uint64_t n);

  struct Flood {
    int server = 0;
    FloodKind kind = FloodKind::Calls;
    uint64_t left = 0;
    uint64_t rate = 0;
    uint64_t sent = 0;
    int64_t startMs = 0;
    bool foreign = false;
  };
  Flood flood_;
  bool recordFlood_ = false;
  std::vector<uint8_t> floodBuffer_;
  Stats stats_;

  std::vector<std::unique_ptr<Server>> servers_;
  Behaviour spare_;
  Faults faults_;
  uint64_t rng_ = 0x6E757673696D0001ull;
  int64_t now_ = 0;
  std::deque<Held> held_;
  std::deque<Record> records_;
  size_t recordLimit_ = kDefaultRecordLimit;
  uint64_t recordIndex_ = 0;
  std::function<void(const Record &)> observer_;
  std::vector<uint8_t> recvBuffer_;
  std::vector<SockHandle> pollSocks_;   // two per server: its own and the wrong port
  std::unique_ptr<bool[]> pollReady_;
  bool netStarted_ = false;
};

// One readable line for a record (no line end).
std::string formatRecord(const Record &r);
const char *fateName(Fate f);

}  // namespace nuvsim
