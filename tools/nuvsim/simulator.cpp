#include "simulator.h"

#include <cstdio>
#include <cstring>
#include <limits>

namespace nuvsim {

namespace {

constexpr size_t kRecvBufferSize = 65536;
// A poll hands at most this many datagrams per socket, so one flooding
// client cannot starve the others.
constexpr int kMaxReadsPerPoll = 1000;

}  // namespace

const char *fateName(Fate f) {
  switch (f) {
    case Fate::Normal: return "";
    case Fate::Dropped: return "dropped";
    case Fate::Duplicate: return "duplicate";
    case Fate::Delayed: return "delayed";
    case Fate::Reordered: return "reordered";
    case Fate::Silenced: return "silenced";
    case Fate::SendFailed: return "send failed";
  }
  return "";
}

int decisionIndex(char command) {
  switch (command) {
    case kPIgnore: return 0;
    case kPAckn: return 1;
    case kPAccept: return 2;
    case kPAckn2: return 3;
    default: return -1;
  }
}

std::string formatStats(const Stats &s) {
  static const char *const names[4] = {"PIGNORE", "PACKN", "PACCEPT", "PACKN2"};
  std::string out = "decisions=" + std::to_string(s.decisions) + " repeats=" + std::to_string(s.repeats);
  for (int i = 0; i < 4; ++i)
    out += std::string(" ") + names[i] + "=" + std::to_string(s.decisionsBy[i]) + "/" +
           std::to_string(s.repeatsBy[i]);
  out += " flood=" + std::to_string(s.floodSent);
  out += " second-port-in=" + std::to_string(s.secondPortIn);
  return out;
}

bool parseFloodKind(std::string_view text, FloodKind *kind) {
  static const struct {
    const char *name;
    FloodKind kind;
  } names[] = {{"calls", FloodKind::Calls},
               {"short", FloodKind::Short},
               {"letters", FloodKind::Letters},
               {"oversize", FloodKind::Oversize},
               {"mixed", FloodKind::Mixed},
               {"empty", FloodKind::Empty}};
  for (const auto &n : names)
    if (text == n.name) {
      *kind = n.kind;
      return true;
    }
  return false;
}

Simulator::Simulator() : recvBuffer_(kRecvBufferSize) { netStarted_ = netStartup(); }

bool Simulator::isRepeat(const Peer &peer, int sequence, char command, std::string_view payload) const {
  if (payload.size() >= kDecisionPayloadMax) payload = payload.substr(0, kDecisionPayloadMax - 1);
  for (const DecisionSeen &d : peer.decisions)
    if (d.command == command && d.sequence == sequence && payload == d.payload) return true;
  return false;
}

void Simulator::remember(Peer &peer, int sequence, char command, std::string_view payload) {
  DecisionSeen &d = peer.decisions[size_t(peer.decisionNext)];
  peer.decisionNext = (peer.decisionNext + 1) % kDecisionMemory;
  d.sequence = sequence;
  d.command = command;
  std::snprintf(d.payload, sizeof d.payload, "%.*s", int(payload.size() < kDecisionPayloadMax ? payload.size()
                                                                                                 : kDecisionPayloadMax - 1),
                payload.data());
}

int Simulator::startFlood(int server, FloodKind kind, uint64_t count, uint64_t ratePerSecond,
                          bool foreign) {
  if (!valid(server) || ratePerSecond == 0) return kSimBadArgument;
  flood_ = Flood{};
  flood_.foreign = foreign;
  flood_.server = server;
  flood_.kind = kind;
  flood_.left = count;
  flood_.rate = ratePerSecond;
  flood_.startMs = now_;
  floodStep();
  return kSimOk;
}

// Sends what the rate allows by now: the first datagram at once, then
// rate per second of simulator time.
void Simulator::floodStep() {
  if (flood_.left == 0) return;
  const uint64_t elapsed = uint64_t(now_ - flood_.startMs);
  const uint64_t due = flood_.rate * elapsed / 1000 + 1;
  Server &s = *servers_[size_t(flood_.server)];
  while (flood_.left > 0 && flood_.sent < due) {
    for (int pi = 0; pi < s.peerCount; ++pi)
      if (s.peers[size_t(pi)].loggedIn) floodOne(flood_.server, pi, flood_.sent);
    ++flood_.sent;
    --flood_.left;
  }
}

void Simulator::floodOne(int server, int pi, uint64_t n) {
  Server &s = *servers_[size_t(server)];
  Peer &peer = s.peers[size_t(pi)];
  FloodKind kind = flood_.kind;
  if (kind == FloodKind::Mixed) {
    static const FloodKind turn[4] = {FloodKind::Calls, FloodKind::Short, FloodKind::Letters, FloodKind::Oversize};
    kind = turn[n % 4];
  }
  constexpr size_t kOversize = 12000;
  if (floodBuffer_.size() < kOversize) floodBuffer_.resize(kOversize);
  uint8_t *buf = floodBuffer_.data();
  size_t len = 0;
  OutPacket o;
  o.version = peer.version[0] ? std::string_view(peer.version) : std::string_view("7.0");
  o.userId = std::string_view(peer.userId);
  o.order = s.behaviour.sizeOrder;
  char payload[80];
  switch (kind) {
    case FloodKind::Calls: {
      std::snprintf(payload, sizeof payload, "%llu:Flood Caller:5550000000:1999-03-15-1432",
                    (unsigned long long)(100000000ull + n % 900000000ull));
      formatSequence(peer.nextSequence, o.sequence);
      peer.nextSequence = nextSequence(peer.nextSequence);
      o.command = kPIncoming;
      o.payload = payload;
      len = size_t(encodePacket(o, buf, kOversize));
      break;
    }
    case FloodKind::Short:
      len = 1 + size_t(n % 31);  // 1 to 31 bytes: never a whole header
      for (size_t i = 0; i < len; ++i) buf[i] = uint8_t(0x37 + i * 13 + n);
      break;
    case FloodKind::Letters: {
      static const char letters[] = {'t', 'z', 'A', 'Z', '0', 0x7F, char(0x80), char(0xFF), 0};
      formatSequence(unsigned(n % 1000), o.sequence);
      o.command = letters[n % sizeof letters];
      o.payload = "not a command";
      len = size_t(encodePacket(o, buf, kOversize));
      break;
    }
    case FloodKind::Empty:
      len = 0;
      break;
    case FloodKind::Oversize:
    case FloodKind::Mixed: {
      formatSequence(unsigned(n % 1000), o.sequence);
      o.command = kPIncoming;
      o.payload = "1:Oversize:5550000000:1999-03-15-1432";
      const int head = encodePacket(o, buf, kOversize);
      if (head < 0) return;
      // A payload that fills the whole datagram, its dataSize saying so.
      for (size_t i = size_t(head) - kTrailerSize - 1; i < kOversize; ++i) buf[i] = 'A';
      const uint32_t size = uint32_t(kOversize - kHeaderSize - kTrailerSize);
      for (int i = 0; i < 4; ++i) buf[kOffDataSize + size_t(i)] = uint8_t(size >> (8 * (3 - i)));
      len = kOversize;
      break;
    }
  }
  ++stats_.floodSent;
  const bool alt = flood_.foreign || s.behaviour.wrongPort;
  if (recordFlood_) {
    const int sent = udpSendTo(alt ? s.altSock : s.sock, buf, len, peer.addr, peer.port);
    addRecord(Direction::Out, server, peer.addr, peer.port, alt ? s.altPort : s.port,
              sent == int(len) ? Fate::Normal : Fate::SendFailed, buf, len,
              flood_.foreign ? "foreign flood" : "flood");
  } else {
    udpSendTo(alt ? s.altSock : s.sock, buf, len, peer.addr, peer.port);
  }
}

Simulator::~Simulator() {
  for (auto &s : servers_) {
    udpClose(s->sock);
    udpClose(s->altSock);
  }
  if (netStarted_) netCleanup();
}

int Simulator::addServer(const char *addr, uint16_t port, ServerKind kind) {
  uint32_t a = 0;
  if (!parseIpv4(addr, &a) || serverCount() == kMaxServers) return kSimBadArgument;
  if (!netStarted_) return kSimSocketError;
  auto s = std::make_unique<Server>();
  s->kind = kind;
  s->addr = a;
  s->sock = udpOpen(a, port);
  if (s->sock == kNoSocket) return kSimSocketError;
  s->port = udpLocalPort(s->sock);
  s->altSock = udpOpen(a, 0);
  if (s->altSock == kNoSocket) {
    udpClose(s->sock);
    return kSimSocketError;
  }
  s->altPort = udpLocalPort(s->altSock);
  pollSocks_.push_back(s->sock);
  pollSocks_.push_back(s->altSock);
  pollReady_ = std::make_unique<bool[]>(pollSocks_.size());
  servers_.push_back(std::move(s));
  return serverCount() - 1;
}

ServerKind Simulator::serverKind(int server) const {
  return valid(server) ? servers_[size_t(server)]->kind : ServerKind::Map;
}
uint32_t Simulator::serverAddr(int server) const { return valid(server) ? servers_[size_t(server)]->addr : 0; }
uint16_t Simulator::serverPort(int server) const { return valid(server) ? servers_[size_t(server)]->port : 0; }
uint16_t Simulator::serverWrongPort(int server) const {
  return valid(server) ? servers_[size_t(server)]->altPort : 0;
}

Behaviour &Simulator::behaviour(int server) {
  return valid(server) ? servers_[size_t(server)]->behaviour : spare_;
}

void Simulator::configure(int server, const std::function<void(Behaviour &)> &f) {
  for (int i = 0; i < serverCount(); ++i)
    if (server == kAllServers || server == i) f(servers_[size_t(i)]->behaviour);
}

int Simulator::peerCount(int server) const { return valid(server) ? servers_[size_t(server)]->peerCount : 0; }

const Peer *Simulator::peer(int server, int i) const {
  if (!valid(server) || i < 0 || i >= servers_[size_t(server)]->peerCount) return nullptr;
  return &servers_[size_t(server)]->peers[size_t(i)];
}

int Simulator::pendingCount(int server) const {
  if (!valid(server)) return 0;
  int n = 0;
  for (const auto &p : servers_[size_t(server)]->pending) n += p.used ? 1 : 0;
  return n;
}

int Simulator::findPeer(Server &s, uint32_t addr, uint16_t port, bool create) {
  for (int i = 0; i < s.peerCount; ++i)
    if (s.peers[size_t(i)].addr == addr && s.peers[size_t(i)].port == port) return i;
  if (!create || s.peerCount == kMaxPeers) return -1;
  Peer &p = s.peers[size_t(s.peerCount)];
  p = Peer{};
  p.addr = addr;
  p.port = port;
  return s.peerCount++;
}

bool Simulator::roll(int percent) {
  if (percent <= 0) return false;
  // splitmix64: small, and the same sequence on every platform.
  uint64_t z = (rng_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return int(z % 100) < percent;
}

void Simulator::addRecord(Direction dir, int server, uint32_t addr, uint16_t port, uint16_t localPort,
                          Fate fate, const uint8_t *data, size_t len, std::string_view note) {
  Record r;
  r.index = recordIndex_++;
  r.timeMs = now_;
  r.dir = dir;
  r.server = server;
  r.peerAddr = addr;
  r.peerPort = port;
  r.localPort = localPort;
  r.fate = fate;
  r.bytes.assign(reinterpret_cast<const char *>(data), len);
  r.note.assign(note);
  InPacket p;
  r.status = decodePacket(data, len, dir == Direction::In ? SizeOrder::Little : SizeOrder::Big, p);
  if (r.status != DecodeStatus::ShortHeader) {
    std::memcpy(r.version, p.version, sizeof r.version);
    std::memcpy(r.userId, p.userId, sizeof r.userId);
    std::memcpy(r.sequenceBytes, p.sequence, kLenSequence);
    sequenceText(p.sequence, r.sequence);
    r.command = p.command;
    r.name = commandName(p.command);
    r.dataSize = p.dataSize;
    r.sizeOrder = p.order;
    r.payload.assign(p.payload);
    r.payloadTerminated = p.payloadTerminated;
  }
  while (records_.size() >= recordLimit_) records_.pop_front();
  records_.push_back(std::move(r));
  if (observer_) observer_(records_.back());
}

void Simulator::wireSend(int server, uint32_t addr, uint16_t port, const uint8_t *data, size_t len,
                         std::string_view note, Fate fate) {
  Server &s = *servers_[size_t(server)];
  const bool alt = s.behaviour.wrongPort;
  const int n = udpSendTo(alt ? s.altSock : s.sock, data, len, addr, port);
  addRecord(Direction::Out, server, addr, port, alt ? s.altPort : s.port,
            n == int(len) ? fate : Fate::SendFailed, data, len, note);
}

int Simulator::transmit(int server, uint32_t addr, uint16_t port, const uint8_t *data, size_t len,
                        std::string_view note) {
  Server &s = *servers_[size_t(server)];
  if (s.behaviour.silent) {
    addRecord(Direction::Out, server, addr, port, s.behaviour.wrongPort ? s.altPort : s.port,
              Fate::Silenced, data, len, note);
    return 0;
  }
  if (faults_.outgoing) {
    if (roll(faults_.dropPercent)) {
      addRecord(Direction::Out, server, addr, port, s.behaviour.wrongPort ? s.altPort : s.port,
                Fate::Dropped, data, len, note);
      return 0;
    }
    if (roll(faults_.dupPercent)) {
      wireSend(server, addr, port, data, len, note, Fate::Normal);
      wireSend(server, addr, port, data, len, note, Fate::Duplicate);
      releaseReordered(Direction::Out, server);
      return 1;
    }
    const bool delay = roll(faults_.delayPercent);
    if (delay || roll(faults_.reorderPercent)) {
      held_.push_back(Held{Direction::Out, server, 0, addr, port,
                           std::string(reinterpret_cast<const char *>(data), len), std::string(note),
                           now_ + faults_.delayMs, delay ? Fate::Delayed : Fate::Reordered});
      return 0;
    }
  }
  wireSend(server, addr, port, data, len, note, Fate::Normal);
  releaseReordered(Direction::Out, server);
  return 1;
}

void Simulator::receive(int server, uint16_t localPort, uint32_t addr, uint16_t port, const uint8_t *data,
                        size_t len) {
  Server &s = *servers_[size_t(server)];
  if (s.behaviour.silent) {
    addRecord(Direction::In, server, addr, port, localPort, Fate::Silenced, data, len, "");
    return;
  }
  if (faults_.incoming) {
    if (roll(faults_.dropPercent)) {
      addRecord(Direction::In, server, addr, port, localPort, Fate::Dropped, data, len, "");
      return;
    }
    if (roll(faults_.dupPercent)) {
      handle(server, localPort, addr, port, data, len, Fate::Normal);
      handle(server, localPort, addr, port, data, len, Fate::Duplicate);
      releaseReordered(Direction::In, server);
      return;
    }
    const bool delay = roll(faults_.delayPercent);
    if (delay || roll(faults_.reorderPercent)) {
      held_.push_back(Held{Direction::In, server, localPort, addr, port,
                           std::string(reinterpret_cast<const char *>(data), len), std::string(),
                           now_ + faults_.delayMs, delay ? Fate::Delayed : Fate::Reordered});
      return;
    }
  }
  handle(server, localPort, addr, port, data, len, Fate::Normal);
  releaseReordered(Direction::In, server);
}

void Simulator::release(Held h) {
  const auto *data = reinterpret_cast<const uint8_t *>(h.bytes.data());
  if (h.dir == Direction::Out)
    wireSend(h.server, h.addr, h.port, data, h.bytes.size(), h.note, h.fate);
  else
    handle(h.server, h.localPort, h.addr, h.port, data, h.bytes.size(), h.fate);
}

void Simulator::releaseReordered(Direction dir, int server) {
  std::vector<Held> go;
  for (auto it = held_.begin(); it != held_.end();) {
    if (it->fate == Fate::Reordered && it->dir == dir && it->server == server) {
      go.push_back(std::move(*it));
      it = held_.erase(it);
    } else {
      ++it;
    }
  }
  for (auto &h : go) release(std::move(h));
}

void Simulator::handle(int server, uint16_t localPort, uint32_t addr, uint16_t port, const uint8_t *data,
                       size_t len, Fate fate) {
  InPacket p;
  const bool decoded = decodePacket(data, len, SizeOrder::Little, p) == DecodeStatus::Ok;
  Server &s = *servers_[size_t(server)];
  // A resent decision is known before it is recorded, so its line says so.
  bool repeat = false;
  if (decoded && decisionIndex(p.command) >= 0 && !s.behaviour.invalid) {
    const int known = findPeer(s, addr, port, false);
    if (known >= 0)
      repeat = isRepeat(s.peers[size_t(known)], parseSequence(p.sequence), p.command, p.payload);
  }
  addRecord(Direction::In, server, addr, port, localPort, fate, data, len, repeat ? "repeat" : "");
  if (!decoded) return;  // no answer to garbage
  const int pi = findPeer(s, addr, port, true);
  if (pi < 0) return;  // peer table full: recorded, not answered
  Peer &peer = s.peers[size_t(pi)];
  std::memcpy(peer.version, p.version, sizeof peer.version);
  std::memcpy(peer.userId, p.userId, sizeof peer.userId);

  const int seq = parseSequence(p.sequence);
  switch (p.command) {
    case kValid:
      for (auto &slot : s.pending)
        if (slot.used && slot.peer == pi && slot.sequence == seq) {
          slot.used = false;
          break;
        }
      return;
    case kInvalid:
      // The client rejects one of ours: send it once more, unchanged.
      for (auto &slot : s.pending)
        if (slot.used && slot.peer == pi && slot.sequence == seq) {
          transmit(server, addr, port, slot.bytes.data(), slot.len, "resend on INVALID");
          break;
        }
      return;
    case kLogout:
      peer.loggedIn = false;  // carries a sequence but is not acknowledged
      return;
    default:
      break;
  }
  if (!isCommand(p.command)) return;
  sendAck(server, pi, p.sequence, p.command);
  if (s.behaviour.invalid) return;  // rejected packets are not acted on

  char text[96];
  switch (p.command) {
    case kLogin:
      peer.loggedIn = false;
      // A new login starts a new count of the client's decisions.
      peer.decisions = {};
      peer.decisionNext = 0;
    {
      std::string answer = std::to_string(s.behaviour.firstCall);
      if (s.kind == ServerKind::Map)
        answer.append(":").append(std::to_string(s.behaviour.service)).append(":").append(s.behaviour.signature);
      reply(server, pi, s.behaviour.login, answer, "login");
    }
      if (s.behaviour.login == Reply::Success) {
        peer.loggedIn = true;
        if (s.kind == ServerKind::Redirect && s.behaviour.redirectPush) {
          const std::string &v = s.behaviour.version.empty() ? std::string(peer.version) : s.behaviour.version;
          if (v == "6.0") {
            for (const auto &m : servers_)
              if (m->kind == ServerKind::Map) {
                char addrText[16];
                formatIpv4(m->addr ? m->addr : 0x7F000001u, addrText);
                std::snprintf(text, sizeof text, "ip1:%s/%u", addrText, unsigned(m->port));
                sendPeer(server, pi, kConfigNew, text, "redirect");
                break;
              }
          } else {
            const std::string list = mapServerList();
            if (list != "ips:0") sendPeer(server, pi, kConfigNew, list, "redirect");
          }
        }
      }
      break;
    case kPIgnore:
    case kPAckn:
    case kPAccept:
    case kPAckn2: {
      const int k = decisionIndex(p.command);
      if (repeat) {
        // Acknowledged above; acted on once only.
        ++stats_.repeats;
        ++stats_.repeatsBy[k];
        break;
      }
      remember(peer, seq, p.command, p.payload);
      ++stats_.decisions;
      ++stats_.decisionsBy[k];
      // The answer's note names the call it answers, so that a record can
      // tell which SUCCESS belongs to which decision.
      const std::string_view payload(p.payload);
      const size_t colon = payload.find(':');
      const std::string note = "decision " + std::string(payload.substr(0, colon < 24 ? colon : 24));
      reply(server, pi, s.behaviour.decision, "", note);
      break;
    }
    default:
      break;
  }
}

void Simulator::reply(int server, int peer, Reply r, std::string_view successPayload, std::string_view note) {
  if (r == Reply::Success)
    sendPeer(server, peer, kSuccess, successPayload, note);
  else if (r == Reply::Fail)
    sendPeer(server, peer, kFail, "", note);
}

int Simulator::sendAck(int server, int pi, const uint8_t seq[kLenSequence], char command) {
  Server &s = *servers_[size_t(server)];
  const Peer &peer = s.peers[size_t(pi)];
  OutPacket o;
  o.version = s.behaviour.version.empty() ? std::string_view(peer.version) : s.behaviour.version;
  o.userId = std::string_view(peer.userId);
  std::memcpy(o.sequence, seq, kLenSequence);
  o.command = s.behaviour.invalid ? kInvalid : kValid;
  o.order = s.behaviour.sizeOrder;
  uint8_t buf[kHeaderSize + 1 + kTrailerSize];
  const int len = encodePacket(o, buf, sizeof buf);
  char note[24];
  std::snprintf(note, sizeof note, "ack %s", commandName(command));
  return transmit(server, peer.addr, peer.port, buf, size_t(len), note);
}

int Simulator::sendPeer(int server, int pi, char command, std::string_view payload, std::string_view note) {
  Server &s = *servers_[size_t(server)];
  if (payload.size() > kMaxOutPayload) return kSimTooLong;
  Pending *slot = nullptr;
  for (auto &p : s.pending)
    if (!p.used) {
      slot = &p;
      break;
    }
  if (!slot) return kSimNoSlot;
  Peer &peer = s.peers[size_t(pi)];
  OutPacket o;
  o.version = s.behaviour.version.empty() ? std::string_view(peer.version) : s.behaviour.version;
  if (o.version.empty()) o.version = "7.0";
  o.userId = std::string_view(peer.userId);
  formatSequence(peer.nextSequence, o.sequence);
  o.command = command;
  o.payload = payload;
  o.order = s.behaviour.sizeOrder;
  const int len = encodePacket(o, slot->bytes.data(), slot->bytes.size());
  if (len < 0) return kSimTooLong;
  slot->used = true;
  slot->peer = pi;
  slot->sequence = int(peer.nextSequence);
  slot->dueMs = now_ + (s.behaviour.resendMs > 0 ? s.behaviour.resendMs : 1);
  slot->resends = 0;
  slot->len = size_t(len);
  peer.nextSequence = nextSequence(peer.nextSequence);
  transmit(server, peer.addr, peer.port, slot->bytes.data(), slot->len, note);
  return 1;
}

int Simulator::perClient(int server, char command, std::string_view payload) {
  if (server != kAllServers && !valid(server)) return kSimBadArgument;
  int sent = 0, failure = 0;
  for (int si = 0; si < serverCount(); ++si) {
    if (server != kAllServers && si != server) continue;
    Server &s = *servers_[size_t(si)];
    for (int pi = 0; pi < s.peerCount; ++pi) {
      const Peer &p = s.peers[size_t(pi)];
      if (!p.loggedIn) continue;
      bool earlier = false;  // already reached through a lower-numbered addressed server
      for (int sj = 0; server == kAllServers && sj < si && !earlier; ++sj) {
        const Server &o = *servers_[size_t(sj)];
        for (int pj = 0; pj < o.peerCount; ++pj)
          if (o.peers[size_t(pj)].loggedIn && o.peers[size_t(pj)].addr == p.addr &&
              o.peers[size_t(pj)].port == p.port)
            earlier = true;
      }
      if (earlier) continue;
      const int r = sendPeer(si, pi, command, payload, "operator");
      if (r < 0 && !failure) failure = r;
      if (r > 0) sent += r;
    }
  }
  return failure ? failure : sent;
}

int Simulator::perServer(int server, char command, std::string_view payload) {
  if (server != kAllServers && !valid(server)) return kSimBadArgument;
  int sent = 0, failure = 0;
  for (int si = 0; si < serverCount(); ++si) {
    if (server != kAllServers && si != server) continue;
    Server &s = *servers_[size_t(si)];
    for (int pi = 0; pi < s.peerCount; ++pi) {
      if (!s.peers[size_t(pi)].loggedIn) continue;
      const int r = sendPeer(si, pi, command, payload, "operator");
      if (r < 0 && !failure) failure = r;
      if (r > 0) sent += r;
    }
  }
  return failure ? failure : sent;
}

int Simulator::sendCall(int server, int callId, std::string_view name, std::string_view number,
                        std::string_view stamp) {
  std::string payload = std::to_string(callId);
  payload.append(":").append(name).append(":").append(number).append(":").append(stamp);
  return perClient(server, kPIncoming, payload);
}

int Simulator::sendDisconnect(int server, std::string_view text) { return perClient(server, kPDisconnect, text); }
int Simulator::sendMessage(int server, std::string_view text) { return perClient(server, kMessage, text); }
int Simulator::sendRelogin(int server) { return perServer(server, kRelogin, ""); }
int Simulator::sendResend(int server) { return perServer(server, kResend, ""); }
int Simulator::sendDuty(int server) { return perServer(server, kDuty, ""); }
int Simulator::sendConfig(int server, std::string_view payload) { return perServer(server, kConfigNew, payload); }
int Simulator::sendNumbered(int server, char command, std::string_view payload) {
  return perServer(server, command, payload);
}

int Simulator::sendRaw(int server, const uint8_t *bytes, size_t len) {
  if (server != kAllServers && !valid(server)) return kSimBadArgument;
  int sent = 0;
  for (int si = 0; si < serverCount(); ++si) {
    if (server != kAllServers && si != server) continue;
    Server &s = *servers_[size_t(si)];
    for (int pi = 0; pi < s.peerCount; ++pi) {
      transmit(si, s.peers[size_t(pi)].addr, s.peers[size_t(pi)].port, bytes, len, "raw");
      ++sent;
    }
  }
  return sent;
}

int Simulator::sendTo(int server, uint32_t addr, uint16_t port, char command, std::string_view payload) {
  if (!valid(server)) return kSimBadArgument;
  const int pi = findPeer(*servers_[size_t(server)], addr, port, true);
  if (pi < 0) return kSimNoSlot;
  return sendPeer(server, pi, command, payload, "operator");
}

std::string Simulator::mapServerList() const {
  int count = 0;
  std::string servers;
  for (const auto &s : servers_) {
    if (s->kind != ServerKind::Map) continue;
    char addrText[16];
    formatIpv4(s->addr ? s->addr : 0x7F000001u, addrText);  // 0.0.0.0 is reached through loopback
    servers.append(":").append(addrText).append("/").append(std::to_string(s->port));
    ++count;
  }
  return "ips:" + std::to_string(count) + servers;
}

int Simulator::poll(int timeoutMs) {
  if (pollSocks_.empty()) return 0;
  if (udpWaitReadable(pollSocks_.data(), int(pollSocks_.size()), timeoutMs < 0 ? 0 : timeoutMs,
                      pollReady_.get()) < 0)
    return kSimSocketError;
  int handled = 0;
  for (size_t i = 0; i < pollSocks_.size(); ++i) {
    if (!pollReady_[i]) continue;
    const int server = int(i / 2);
    const Server &s = *servers_[size_t(server)];
    const uint16_t localPort = i % 2 ? s.altPort : s.port;
    for (int reads = 0; reads < kMaxReadsPerPoll; ++reads) {
      uint32_t addr = 0;
      uint16_t port = 0;
      const int n = udpRecvFrom(pollSocks_[i], recvBuffer_.data(), recvBuffer_.size(), &addr, &port);
      if (n < 0) break;
      if (i % 2) ++stats_.secondPortIn;
      receive(server, localPort, addr, port, recvBuffer_.data(), size_t(n));
      ++handled;
    }
  }
  return handled;
}

int64_t Simulator::nextDue() const {
  int64_t due = std::numeric_limits<int64_t>::max();
  for (const auto &h : held_)
    if (h.dueMs < due) due = h.dueMs;
  for (const auto &s : servers_)
    for (const auto &p : s->pending)
      if (p.used && p.dueMs < due) due = p.dueMs;
  return due;
}

void Simulator::advanceMs(int64_t ms) {
  if (ms < 0) return;
  const int64_t target = now_ + ms;
  for (int64_t due = nextDue(); due <= target; due = nextDue()) {
    if (due > now_) now_ = due;
    std::vector<Held> go;
    for (auto it = held_.begin(); it != held_.end();) {
      if (it->dueMs <= now_) {
        go.push_back(std::move(*it));
        it = held_.erase(it);
      } else {
        ++it;
      }
    }
    for (auto &h : go) release(std::move(h));
    for (int si = 0; si < serverCount(); ++si) {
      Server &s = *servers_[size_t(si)];
      for (auto &slot : s.pending) {
        if (!slot.used || slot.dueMs > now_) continue;
        if (slot.resends >= s.behaviour.maxResends) {
          slot.used = false;  // unacknowledged after every resend: given up
          continue;
        }
        ++slot.resends;
        slot.dueMs = now_ + (s.behaviour.resendMs > 0 ? s.behaviour.resendMs : 1);
        const Peer &p = s.peers[size_t(slot.peer)];
        transmit(si, p.addr, p.port, slot.bytes.data(), slot.len, "resend");
      }
    }
  }
  now_ = target;
  floodStep();
}

namespace {

void appendEscaped(std::string &out, std::string_view text, size_t limit) {
  out += '"';
  size_t n = 0;
  for (unsigned char c : text) {
    if (n++ == limit) {
      out += "...";
      break;
    }
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c >= 0x20 && c < 0x7f) {
      out += char(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  out += '"';
}

}  // namespace

std::string formatRecord(const Record &r) {
  char head[160];
  char peer[16];
  formatIpv4(r.peerAddr, peer);
  std::snprintf(head, sizeof head, "%5lld.%03lld #%llu S%d %s %s:%u %s :%u", (long long)(r.timeMs / 1000),
                (long long)(r.timeMs % 1000), (unsigned long long)r.index, r.server,
                r.dir == Direction::In ? "IN " : "OUT", peer, unsigned(r.peerPort),
                r.dir == Direction::In ? "->" : "<-", unsigned(r.localPort));
  std::string line = head;
  if (r.status == DecodeStatus::ShortHeader) {
    line += " malformed: " + std::to_string(r.bytes.size()) + " bytes, no complete header";
  } else {
    char cmd[8];
    if (r.command >= 0x20 && r.command < 0x7f)
      std::snprintf(cmd, sizeof cmd, "%c", r.command);
    else
      std::snprintf(cmd, sizeof cmd, "\\x%02X", (unsigned char)r.command);
    char mid[160];
    std::snprintf(mid, sizeof mid, " v=%s user=%s seq=%s %s %s size=%lu%s ", r.version, r.userId, r.sequence,
                  cmd, r.name, (unsigned long)r.dataSize, r.sizeOrder == SizeOrder::Big ? "(net)" : "(le)");
    line += mid;
    appendEscaped(line, r.payload, 200);
    if (r.status == DecodeStatus::ShortPayload)
      line += " malformed: " + std::to_string(r.bytes.size()) + " bytes < 35+" + std::to_string(r.dataSize);
  }
  if (r.fate != Fate::Normal) line += std::string(" [") + fateName(r.fate) + "]";
  if (!r.note.empty()) line += " (" + r.note + ")";
  return line;
}

}  // namespace nuvsim
